// padscope-cli's analyze and check commands.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ChartBuilder.h"
#include "common/SimFixture.h"
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

TEST_F(CliAnalyze, SettingsRangeAndOptionsReachTheFigures) {
  GlobalSettings settings;
  for (ChannelConfig& c : settings.channel) {
    c.threshold = 20;
  }
  settings.channel[0].thresholdDelta = 2;  // a drag not yet folded in counts
  ASSERT_TRUE(SaveSettingsTo(Path("s.tmp"), settings));
  const std::string chart = Path("known.tkchart");

  CliResult r =
      Cli({"analyze", chart, "--settings", Path("s.tmp"), "--guard", "2", "--format", "csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = test::Lines(r.out);
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[1], "0,5.00,2,45.00,22.50,28,22,16,26,990.00,4,-90.00,1,pass");

  r = Cli({"analyze", chart, "--guard", "2", "--threshold-at", "0.25", "--min-snr", "30",
           "--format", "json", "-o", Path("r.json")});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  std::ostringstream json;
  json << std::ifstream(Path("r.json")).rdbuf();
  EXPECT_NE(json.str().find("\"recommended_threshold\": 17"), std::string::npos);
  EXPECT_NE(json.str().find("\"verdict\": \"fail\""), std::string::npos);

  // Frames 21 to 50 hold CH1's touch only.
  r = Cli({"analyze", chart, "--guard", "2", "--from", "21", "--to", "50", "--format", "csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  lines = test::Lines(r.out);
  EXPECT_EQ(Fields(lines[1]).back(), "untouched");
  EXPECT_EQ(Fields(lines[2]).back(), "pass");
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

// A scripted adapter checked live for three seconds: the figures lie within
// what its noise allows. Output noise is clamped at 0, so an idle key of
// noise amplitude A reads 0..A; a touch of T reads T - A..T + A.
TEST_F(CliAnalyze, CheckOfAScriptedAdapter) {
  test::WriteAll(Path("keys.scn"), [] {
    const std::string text =
        "rate 200\n"
        "channel 0 baseline 900 noise 2 touch 120 every 1 from 0.2 for 0.25 crosstalk 1=0.25\n"
        "channel 1 baseline 1100 noise 3 touch 90 every 1 from 0.6 for 0.2\n"
        "channel 2 baseline 700 noise 4\n";
    return test::Bytes(text.begin(), text.end());
  }());
  const CliResult r = Cli({"check", "--simulate=pelmira:" + Path("keys.scn"), "--seconds", "3",
                           "-o", Path("rec.tkchart"), "--format", "csv"});
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.err.find("checked 3/3 s"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("touched: CH0 CH1\n"), std::string::npos) << r.err;

  const std::vector<std::string> lines = test::Lines(r.out);
  ASSERT_EQ(lines.size(), 17u);
  struct Truth {
    double baseline, noise, touch;
  };
  const Truth truth[] = {{900, 2, 120}, {1100, 3, 90}, {700, 4, 0}};
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(lines[k + 1]);
    const std::vector<std::string> f = Fields(lines[k + 1]);
    const Truth& t = truth[k];
    EXPECT_LE(std::stod(f[2]), t.noise);                // noise
    EXPECT_NEAR(std::stod(f[9]), t.baseline, t.noise);  // raw baseline
    EXPECT_LE(std::stod(f[10]), 2 * t.noise);           // raw noise
    if (t.touch > 0) {
      EXPECT_NEAR(std::stod(f[3]), t.touch, 2 * t.noise);   // signal
      EXPECT_NEAR(std::stod(f[11]), t.touch, 2 * t.noise);  // raw signal
      EXPECT_GE(std::stod(f[12]), 2);                       // touches
      EXPECT_EQ(f[13], "pass");
    } else {
      EXPECT_EQ(f[13], "untouched");
    }
  }

  // The recording is kept; CH0 moves CH1 by a quarter of its touch.
  const CliResult text = Cli({"analyze", Path("rec.tkchart")});
  EXPECT_EQ(text.status, 0) << text.err;
  const size_t pair = text.out.find("CH0 -> CH1: ");
  ASSERT_NE(pair, std::string::npos) << text.out;
  const double percent = std::stod(text.out.substr(text.out.find('(', pair) + 1));
  EXPECT_NEAR(percent, 25.0, 2.0);
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
