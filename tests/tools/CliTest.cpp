// padscope-cli commands run in-process against a simulated adapter.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "common/SimFixture.h"
#include "link/Opcodes.h"
#include "tools/CliRun.h"

namespace padscope {
namespace {

using test::CliRun;

class Cli : public ::testing::Test {
 protected:
  CliRun Run(std::vector<std::string> args) { return test::RunCliCaptured(args, sim); }
  std::vector<std::vector<uint8_t>> Commands() const {
    std::vector<std::vector<uint8_t>> c;
    for (const SimReport& r : sim->Reports()) {
      if (r.toAdapter && r.channel == SimChannel::Command) {
        c.push_back(r.bytes);
      }
    }
    return c;
  }
  void UseModel(SimModel model) {
    sim = std::make_shared<SimulatedAdapter>(test::FastSimConfig(model));
  }

  std::shared_ptr<SimulatedAdapter> sim = std::make_shared<SimulatedAdapter>(test::FastSimConfig());
};

TEST_F(Cli, ListShowsModelFirmwareWiringAndPaths) {
  const CliRun r = Run({"list"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Pelmira  firmware DW  2 Line  command " + sim->CommandPath() + "  data " +
                       sim->DataPath() + "\n");
}

TEST_F(Cli, ListOfFourWireCorvex) {
  SimConfig c = test::FastSimConfig(SimModel::Corvex);
  c.versionNumber = 0x0101;
  sim = std::make_shared<SimulatedAdapter>(c);
  const CliRun r = Run({"list"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Corvex  firmware 0101  4  Line  command ", 0), 0u) << r.out;
}

TEST_F(Cli, NoDeviceIsOneLineAndStatusOne) {
  sim->Unplug();
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"list"}, {"stream", "--frames", "1"}, {"recharge", "1"}, {"threshold", "0", "1"}}) {
    const CliRun r = Run(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.err, "NO device.\n") << args[0];
  }
}

TEST_F(Cli, StreamPrintsFramesBetweenTheModelsStartAndStop) {
  for (SimModel model : {SimModel::Pelmira, SimModel::Corvex}) {
    UseModel(model);
    const CliRun r = Run({"stream", "--frames", "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = test::Lines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines) {
      EXPECT_EQ(line.size(), 64u * 3 - 1);
      EXPECT_EQ(line.substr(6, 2), "10") << "channel byte of the 16-channel layout";
    }
    const auto commands = Commands();
    ASSERT_EQ(commands.size(), 2u);
    const bool corvex = model == SimModel::Corvex;
    EXPECT_EQ(commands[0][corvex ? 16 : 8], corvex ? kOpStartStream : kOpStartStreamP);
    EXPECT_EQ(commands[1][corvex ? 16 : 8], corvex ? kOpStopStream : kOpStopStreamP);
    EXPECT_FALSE(sim->IsStreaming());
  }
}

TEST_F(Cli, TraceWritesEveryReportToStandardError) {
  const CliRun r = Run({"--trace", "stream", "--frames", "2"});
  ASSERT_EQ(r.status, 0);
  const auto lines = test::Lines(r.err);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].substr(0, 30), "> cmd 00 55 53 42 43 00 00 00 ");
  EXPECT_EQ(lines[1].substr(0, 9), "< data 00");
  EXPECT_EQ(lines[1].substr(10), test::Lines(r.out)[0]);
  EXPECT_EQ(lines[3].substr(0, 30), "> cmd 00 55 53 42 43 00 00 00 ");
}

TEST_F(Cli, RechargeSendsTheAddress) {
  const CliRun r = Run({"recharge", "0x1000"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(sim->RechargeAddress(), 0x1000u);
  EXPECT_NE(r.out.find("0x1000"), std::string::npos);
  EXPECT_EQ(Run({"recharge", "16777216"}).status, 2);
  EXPECT_EQ(Run({"recharge", "12ab"}).status, 2);
}

TEST_F(Cli, ParamsAreRangeCheckedThenSent) {
  const std::vector<std::string> good = {"params", "--ch-timer",   "4", "--times",
                                         "10",     "--hold",       "3", "--debounce",
                                         "5",      "--no-compose", "1"};
  const CliRun r = Run(good);
  ASSERT_EQ(r.status, 0) << r.err;
  const SimParameters p = sim->Parameters();
  EXPECT_TRUE(p.received);
  EXPECT_EQ(p.chTimer, 4);
  EXPECT_EQ(p.times, 10);
  EXPECT_EQ(p.maxHoldKeyTime, 3);
  EXPECT_EQ(p.debounceOrThreshold, 5);
  EXPECT_EQ(p.noComposeKey, 1);

  struct Bad {
    size_t index;
    std::string value;
    std::string message;
  };
  for (const Bad& b :
       {Bad{2, "8", "CH Timer Range: 1-7."}, Bad{2, "0", "CH Timer Range: 1-7."},
        Bad{6, "6", "Max Key Hold Time Range: 1-5."}, Bad{8, "1", "Debounce Time Range: 2-10."},
        Bad{10, "2", "No Compose Key: 0 or 1."}}) {
    auto args = good;
    args[b.index] = b.value;
    sim->ClearReports();
    const CliRun bad = Run(args);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, b.message + "\n");
    EXPECT_TRUE(sim->Reports().empty()) << "nothing sent for " << b.message;
  }
  EXPECT_EQ(Run({"params", "--ch-timer", "4"}).status, 2);
}

TEST_F(Cli, ThresholdGoesToItsChannel) {
  const CliRun r = Run({"threshold", "15", "200"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(sim->Thresholds()[15], 200);
  EXPECT_EQ(Run({"threshold", "16", "1"}).status, 2);
  EXPECT_EQ(Run({"threshold", "1", "256"}).status, 2);
}

TEST_F(Cli, UsageErrorsHelpAndVersion) {
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"frobnicate"}).status, 2);
  EXPECT_EQ(Run({"--simulate=acme", "list"}).status, 2);
  EXPECT_EQ(Run({"--bogus", "list"}).status, 2);
  EXPECT_EQ(Run({"--help"}).status, 0);
  const CliRun version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_THAT(version.out, testing::MatchesRegex("padscope-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

}  // namespace
}  // namespace padscope
