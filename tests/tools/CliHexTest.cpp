// padscope-cli's `hex patch`.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "common/Files.h"
#include "common/SimFixture.h"
#include "padscope-cli/Cli.h"
#include "platform/ProgramFolders.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;

const fs::path kData = PADSCOPE_TEST_DATA_DIR;
const std::string kBase = (kData / "hex-base.hex").string();
// The thresholds of hex-patched-10.hex (300 stored as 44).
const std::string kGolden = "40,44,0,255,41,90,100,7,128,200,16,17,250,1,2,3";

class CliHex : public ::testing::Test {
 protected:
  int Cli(std::vector<std::string> args) {
    std::ostringstream o;
    std::ostringstream e;
    const int status = RunCli(args, o, e, sim);
    out = o.str();
    err = e.str();
    return status;
  }
  std::string Path(const char* name) { return (StateDirectory() / name).string(); }

  std::shared_ptr<SimulatedAdapter> sim = std::make_shared<SimulatedAdapter>(test::FastSimConfig());
  std::string out;
  std::string err;
};

TEST_F(CliHex, PatchesThresholdsGivenInline) {
  ASSERT_EQ(Cli({"hex", "patch", kBase, "--offset", "10", "--thresholds", kGolden, "-o",
                 Path("out.hex")}),
            0)
      << err;
  EXPECT_EQ(test::ReadAll(Path("out.hex")), test::ReadAll(kData / "hex-patched-10.hex"));
  EXPECT_EQ(out.substr(0, 40), "thresholds in words 0x10-0x1F, checksum ");
}

TEST_F(CliHex, PatchesThresholdsOfASettingsFile) {
  GlobalSettings settings;
  const int values[16] = {40, 250, 0, 255, 41, 90, 100, 7, 128, 200, 16, 17, 250, 1, 2, 3};
  for (int k = 0; k < 16; ++k) {
    settings.channel[k].threshold = values[k];
  }
  settings.channel[1].thresholdDelta = 50;
  ASSERT_TRUE(SaveSettingsTo(Path("~tmp.tmp"), settings));
  ASSERT_EQ(Cli({"hex", "patch", kBase, "--offset", "10", "--settings", Path("~tmp.tmp"), "-o",
                 Path("out.hex")}),
            0)
      << err;
  EXPECT_EQ(test::ReadAll(Path("out.hex")), test::ReadAll(kData / "hex-patched-10.hex"));
  EXPECT_EQ(err, "channel 1: threshold 300 stored as 44\n");
}

TEST_F(CliHex, RefusesBadArgumentsWithoutWriting) {
  const std::string o = Path("out.hex");
  const std::vector<std::vector<std::string>> usage = {
      {"hex", "patch", kBase, "--offset", "10", "--thresholds", kGolden},
      {"hex", "patch", kBase, "--offset", "10", "-o", o},
      {"hex", "patch", kBase, "--offset", "10", "--thresholds", kGolden, "--settings", o, "-o", o},
      {"hex", "patch", kBase, "--offset", "100", "--thresholds", kGolden, "-o", o},
      {"hex", "patch", kBase, "--offset", "g", "--thresholds", kGolden, "-o", o},
      {"hex", "patch", kBase, "--offset", "-1", "--thresholds", kGolden, "-o", o},
      {"hex", "patch", kBase, "--offset", "10", "--thresholds", "1,2,3", "-o", o},
      {"hex", "patch", kBase, "--offset", "10", "--thresholds", kGolden + ",4", "-o", o},
      {"hex", "patch", kBase, "--offset", "10", "--thresholds", kGolden + ",", "-o", o},
      {"hex", "patch", kBase, "--offset", "10", "--thresholds", "256,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0",
       "-o", o},
      {"hex", "show", kBase},
  };
  for (const auto& args : usage) {
    EXPECT_EQ(Cli(args), 2) << args[4] << " " << args.size();
  }
  EXPECT_FALSE(fs::exists(o));

  EXPECT_EQ(Cli({"hex", "patch", Path("missing.hex"), "--offset", "10", "--thresholds", kGolden,
                 "-o", o}),
            1);
  EXPECT_EQ(err, "Hex file load failed.\n");
  EXPECT_EQ(Cli({"hex", "patch", kBase, "--offset", "10", "--settings", Path("none.tmp"), "-o", o}),
            1);
  EXPECT_EQ(err, "File open failed.\n");

  const test::Bytes base = test::ReadAll(kBase);
  test::WriteAll(Path("short.hex"), test::Bytes(base.begin(), base.begin() + 2000 * 17));
  EXPECT_EQ(
      Cli({"hex", "patch", Path("short.hex"), "--offset", "ff", "--thresholds", kGolden, "-o", o}),
      1);
  EXPECT_EQ(err,
            "The hex file ends before program word 2047 (its checksum word); nothing was "
            "patched.\n");
  EXPECT_EQ(Cli({"hex", "patch", kBase, "--offset", "10", "--thresholds", kGolden, "-o",
                 Path("no-folder/x.hex")}),
            1);
  EXPECT_EQ(err, "Create hex file failed.\n");
  EXPECT_FALSE(fs::exists(o));
}

}  // namespace
}  // namespace padscope
