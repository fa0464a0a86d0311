// padscope-cli's analyze and check commands.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/CaptureContext.h"
#include "common/ChartBuilder.h"
#include "common/ScenarioRecording.h"
#include "common/SimFixture.h"
#include "files/ChartFile.h"
#include "link/Opcodes.h"
#include "platform/ProgramFolders.h"
#include "sim/SimScenario.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"
#include "tools/CliRun.h"

namespace padscope {
namespace {

using CliResult = test::CliRun;

using test::Fields;

class CliAnalyze : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    test::KnownRecording().Write(Path("known.tkchart"));
  }
  // Without a backend the command line's --simulate decides.
  CliResult Cli(std::vector<std::string> args) { return test::RunCliCaptured(args, nullptr); }
  std::string Path(const char* name) { return (StateDirectory() / name).string(); }
};

// A recording of a weak key (its touches under the chip's threshold), a good
// one and an untouched one, at 100 frames a second.
TEST_F(CliAnalyze, OptionsReachTheFiguresAndTheExitNamesEachFailingKey) {
  CaptureContext ctx;
  test::RecordScenario(ctx,
                       "rate 100\n"
                       "channel 0 baseline 900 noise 3 touch 50 every 1 from 0.5 for 0.3\n"
                       "channel 1 baseline 1100 noise 3 touch 100 every 1 from 0.1 for 0.2\n"
                       "channel 2 baseline 700 noise 2\n",
                       5.2);
  ASSERT_TRUE(WriteChart(Path("weak.tkchart"), ctx));
  GlobalSettings settings;
  for (ChannelConfig& c : settings.channel) {
    c.threshold = 60;
  }
  settings.channel[1].thresholdDelta = -2;  // a drag not yet folded in counts
  settings.samplingTimes = 10;
  settings.samplingElapseTenths = 10;  // 10 ms
  ASSERT_TRUE(SaveSettingsTo(Path("s.tmp"), settings));
  const std::string chart = Path("weak.tkchart");

  CliResult r =
      Cli({"analyze", chart, "--settings", Path("s.tmp"), "--keys", "0-1", "--format", "csv"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(test::Lines(r.out).size(), 3u);  // the listed keys
  EXPECT_EQ(r.err,
            "not every key passes:\n  CH0: fail: the chip missed 5 of 5 touches; threshold "
            "60 above its touches (detection margin " +
                test::Fields(test::Lines(r.out)[1])[15] + ")\n");
  EXPECT_EQ(test::Fields(test::Lines(r.out)[2])[13], "58");

  // The frame period from the settings; touches shorter than the minimum
  // are no touches, and the chip's bits during them false touches.
  r = Cli({"analyze", chart, "--settings", Path("s.tmp"), "--keys", "1", "--min-touch", "250",
           "--rule", "guide", "--format", "json", "-o", Path("r.json")});
  EXPECT_EQ(r.status, 3);
  std::ostringstream json;
  json << std::ifstream(Path("r.json")).rdbuf();
  for (const char* part :
       {"\"frame_ms\": 10.000",
        "\"frame_ms_from\": \"the settings' sampling "
        "period\"",
        "\"rule\": \"guide\"", "\"touches\": 0", "\"false_touches\": 5", "\"verdict\": \"fail\""}) {
    EXPECT_NE(json.str().find(part), std::string::npos) << part << json.str();
  }
  r = Cli({"analyze", chart, "--keys", "1", "--rule", "guide", "--frame-ms", "10"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("(--frame-ms)"), std::string::npos);
  EXPECT_NE(r.out.find("threshold rule guide: finger threshold"), std::string::npos);
  EXPECT_EQ(Cli({"analyze", chart, "--keys", "1,16"}).status, 2);
  r = Cli({"analyze", chart, "--keys", "1,3"});  // CH3 never moves
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("CH3: dead: its values never move"), std::string::npos) << r.err;
}

TEST_F(CliAnalyze, BadInputGivesOneLineAndWritesNothing) {
  test::WriteAll(Path("garbage.tkchart"), test::Bytes(100, 0x5A));
  test::KnownRecording().Write(Path("cut.tkchart"), false);
  const std::string known = Path("known.tkchart");
  const std::string out = Path("out.txt");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  for (const Case& c : {
           Case{{"analyze", Path("garbage.tkchart"), "-o", out}, 1, "truncated chart"},
           Case{{"analyze", Path("cut.tkchart"), "-o", out}, 1, "truncated chart (no end record)"},
           Case{{"analyze", Path("missing.tkchart"), "-o", out},
                1,
                "File open failed. " + Path("missing.tkchart") + ": No such file or directory"},
           Case{{"analyze", known, "--from", "60", "--to", "70", "-o", out}, 1, "empty range"},
           Case{{"analyze", known, "--from", "20", "--to", "10", "-o", out},
                2,
                "--from 20 is after --to 10"},
           Case{{"analyze", known, "--settings", Path("none.tmp"), "-o", out},
                1,
                "cannot read the settings file"},
           Case{{"check", "--simulate=pelmira:" + Path("none.scn"), "--seconds", "1", "-o", out},
                1,
                "cannot read the scenario file"},
       }) {
    SCOPED_TRACE(c.args[1] + " " + c.args[2]);
    const CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(test::Lines(r.err).size(), 1u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  EXPECT_EQ(Cli({"analyze", known, "--format", "pdf"}).status, 2);
  const CliResult zero = Cli({"check", "--seconds", "0"});
  EXPECT_EQ(zero.status, 2);
  EXPECT_EQ(zero.err.find("bad value for --seconds: 0 (it takes a whole number from 1 to 86400)"),
            0u)
      << zero.err;
}

// A report's format follows its file's ending unless --format names one, and
// every command answers -h and --help with its own usage.
TEST_F(CliAnalyze, ReportFormatFromTheFileNameAndEachCommandsHelp) {
  const std::string known = Path("known.tkchart");
  const auto report = [&](std::vector<std::string> args) {
    Cli(args);
    std::ostringstream text;
    text << std::ifstream(args.back()).rdbuf();
    return text.str();
  };
  EXPECT_EQ(report({"analyze", known, "-o", Path("r.html")}).rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_EQ(report({"analyze", known, "-o", Path("r.JSON")}).rfind("{", 0), 0u);
  EXPECT_EQ(report({"analyze", known, "-o", Path("r.csv")}).rfind("channel,", 0), 0u);
  EXPECT_EQ(report({"analyze", known, "--format", "text", "-o", Path("t.html")}).rfind("<", 0),
            std::string::npos);

  for (const auto& [command, help] : std::vector<std::pair<std::string, std::string>>{
           {"analyze", "-h"}, {"check", "--help"}, {"list", "-h"}, {"flash", "--help"}}) {
    const CliResult r = Cli({command, help});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out.rfind("usage: padscope-cli " + command + " ", 0), 0u) << r.out;
  }
}

// A scripted adapter checked live for two seconds: a good key, a weak key the
// chip misses and a dead one; the check fails and says which and why.
TEST_F(CliAnalyze, CheckOfAScriptedAdapter) {
  test::WriteAll(Path("keys.scn"), [] {
    const std::string text =
        "rate 200\n"
        "channel 0 baseline 900 noise 2 touch 120 every 0.5 from 0.2 for 0.15\n"
        "channel 1 baseline 1100 noise 3 touch 50 every 0.5 from 0.4 for 0.1\n"
        "channel 2 baseline 700\n";
    return test::Bytes(text.begin(), text.end());
  }());
  const CliResult r = Cli({"check", "--simulate=pelmira:" + Path("keys.scn"), "--seconds", "2",
                           "--keys", "0-2", "-o", Path("rec.tkchart"), "--format", "csv"});
  EXPECT_EQ(r.status, 3) << r.err << r.out;
  EXPECT_NE(r.err.find("checked 2/2 s"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("touched: CH0 CH1\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("  CH1: fail: the chip missed"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("  CH2: dead: its values never move\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("  CH0:"), std::string::npos) << r.err;
  const std::vector<std::string> lines = test::Lines(r.out);
  ASSERT_EQ(lines.size(), 4u);
  const std::vector<std::string> ch0 = Fields(lines[1]);
  EXPECT_NEAR(std::stod(ch0[2]), 4, 1.5);  // raw noise: uniform within +-2
  EXPECT_NEAR(std::stod(ch0[5]), 120, 2);  // raw signal
  EXPECT_EQ(ch0.back(), "pass");
}

// The demo chip that comes with the program (the README's quick start): a
// four-key board with two good keys, a weak one and one nobody touches.
// Two rounds of its touches, read as fast as the chip makes them.
TEST_F(CliAnalyze, TheDemoChipHasGoodWeakAndUntouchedKeys) {
  std::string error;
  const std::optional<SimScenario> demo =
      SimScenario::Load(std::string(PADSCOPE_RESOURCES_DIR) + "/demo.scn", error);
  ASSERT_TRUE(demo.has_value()) << error;
  test::SimAdapter chip(
      WithScenario(test::FastSimConfig(), std::make_shared<const SimScenario>(*demo)));
  ASSERT_TRUE(chip.adapter.Connect());
  ASSERT_TRUE(chip.adapter.SendOpcodeWithByte(kOpStartStreamP, 0));
  std::ofstream out(Path("demo.tkchart"), std::ios::binary);
  uint8_t record[64];
  for (int i = 0; i < 2500; ++i) {
    ASSERT_TRUE(chip.adapter.ReadStream(record, 64));
    out.write(reinterpret_cast<const char*>(record), 64);
  }
  out << std::string(64, '\xFF');  // the end record
  out.close();

  const CliResult r = Cli({"analyze", Path("demo.tkchart"), "--format", "csv"});
  EXPECT_EQ(r.status, 3) << "the weak key fails";
  const std::vector<std::string> lines = test::Lines(r.out);
  ASSERT_EQ(lines.size(), 5u) << r.out;  // the header and four keys
  const char* verdicts[] = {"pass", "pass", "fail", "untouched"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(Fields(lines[k + 1]).back(), verdicts[k]) << lines[k + 1];
  }
}

}  // namespace
}  // namespace padscope
