// padscope-cli's capture, chart, settings and text commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/Files.h"
#include "common/SimFixture.h"
#include "platform/ProgramFolders.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"
#include "tools/CliRun.h"

namespace padscope {
namespace {

using CliResult = test::CliRun;

class CliFiles : public ::testing::Test {
 protected:
  void SetUp() override { GlobalSettings::ResetInstanceForTest(); }
  CliResult Cli(std::vector<std::string> args) { return test::RunCliCaptured(args, sim); }
  std::string Path(const char* name) { return (StateDirectory() / name).string(); }

  std::shared_ptr<SimulatedAdapter> sim = std::make_shared<SimulatedAdapter>(test::FastSimConfig());
};

size_t CountLines(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(CliFiles, CaptureWritesAChartThatChartInfoReads) {
  const CliResult capture = Cli({"capture", "--frames", "30", "-o", Path("c.tkchart")});
  ASSERT_EQ(capture.status, 0) << capture.err;
  EXPECT_NE(capture.err.find("captured 30/30 frames"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(Path("c.tkchart")), 64u * 31);

  const CliResult info = Cli({"chart", "info", Path("c.tkchart")});
  ASSERT_EQ(info.status, 0);
  EXPECT_EQ(info.out,
            "records: 31\nend record: yes\nframes accepted: 24\nlayout: 3\nchannels: 16\n"
            "value width: Single 16TK\n");
}

TEST_F(CliFiles, CaptureOfDoubleByteFrames) {
  SimConfig c = test::FastSimConfig(SimModel::Corvex);
  c.layout = SimLayout::Double8Marked;
  sim = std::make_shared<SimulatedAdapter>(c);
  ASSERT_EQ(Cli({"capture", "--frames", "20", "-o", Path("d.tkchart")}).status, 0);
  const CliResult info = Cli({"chart", "info", Path("d.tkchart")});
  EXPECT_NE(info.out.find("layout: 2 (\"double\" mark)\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("channels: 8\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("value width: Double 8TK\n"), std::string::npos);

  const CliResult decode = Cli({"chart", "decode", Path("d.tkchart")});
  ASSERT_EQ(decode.status, 0);
  EXPECT_EQ(CountLines(decode.out), 1u + 14u);
  EXPECT_EQ(decode.out.substr(0, 30), "frame,time_ms,ch0,ch0_key,ch1,");
}

// A Pelmira that streams the width its start command asks for: the capture
// asks for the width the settings last saw.
TEST_F(CliFiles, CaptureAsksAPelmiraForTheSettingsWidth) {
  SimConfig c = test::FastSimConfig();
  c.widthFromStartValue = true;
  sim = std::make_shared<SimulatedAdapter>(c);
  GlobalSettings saved;
  saved.singleByteMode = 0;
  ASSERT_TRUE(SaveSettingsTo(SettingsFilePath(), saved));
  ASSERT_EQ(Cli({"capture", "--frames", "20", "-o", Path("w.tkchart")}).status, 0);
  EXPECT_EQ(sim->LastStartValue(), 1);
  const CliResult info = Cli({"chart", "info", Path("w.tkchart")});
  EXPECT_NE(info.out.find("value width: Double 8TK\n"), std::string::npos) << info.out;
}

TEST_F(CliFiles, CaptureWithoutAdapter) {
  sim->Unplug();
  const CliResult r = Cli({"capture", "--frames", "5", "-o", Path("x.tkchart")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "NO device.\n");
  EXPECT_FALSE(std::filesystem::exists(Path("x.tkchart")));
  EXPECT_EQ(Cli({"capture", "--frames", "0", "-o", Path("x.tkchart")}).status, 2);
  EXPECT_EQ(Cli({"capture", "-o", Path("x.tkchart")}).status, 2);
}

TEST_F(CliFiles, ChartTableAndDecodeOfAKnownChart) {
  const std::string golden = std::string(PADSCOPE_TEST_DATA_DIR) + "/three-frames.tkchart";
  const CliResult table = Cli({"chart", "table", golden});
  ASSERT_EQ(table.status, 0);
  // Three records never confirm a layout: nothing is kept, the table has its
  // header and the line of slot 0, which holds the last record read (the end).
  EXPECT_EQ(CountLines(table.out), 2u);
  EXPECT_EQ(table.out.substr(0, 8), "0,1,2,3,");
  EXPECT_EQ(table.out.find("\r\n255,255,"), table.out.find("\r\n"));

  const CliResult decode = Cli({"chart", "decode", golden});
  EXPECT_EQ(decode.out.find('\n'), decode.out.size() - 1) << "a header only";
  EXPECT_EQ(Cli({"chart", "info", Path("missing.tkchart")}).err,
            "File open failed. " + Path("missing.tkchart") + ": No such file or directory\n");
  EXPECT_EQ(Cli({"chart", "frobnicate", golden}).status, 2);
}

// A board made byte by byte: 15 channels near 21,000 counts and an unused pad
// at 0xFFFF. Every word is the chip's signed count, in the decoded table and
// in the analysis' raw baseline; words offset by 0x8000 read the same counts
// only when the user says the adapter sends them (--offset-values).
TEST_F(CliFiles, ValuesAreTheSignedCountsUnlessOffsetWordsAreChosen) {
  const auto count = [](int ch) { return ch == 15 ? -1 : 21000 + 250 * ch; };
  for (const bool offsetWords : {false, true}) {
    std::vector<uint8_t> record(64, 0);
    record[0] = 0x00;  // no key touched: every frame is idle
    record[2] = 0x10;
    for (int ch = 0; ch < 16; ++ch) {
      const auto word = static_cast<uint16_t>(count(ch) + (offsetWords ? 0x8000 : 0));
      record[3 + 2 * ch] = static_cast<uint8_t>(word >> 8);
      record[4 + 2 * ch] = static_cast<uint8_t>(word);
    }
    record[35] = 200;  // channel 0's key byte
    std::ofstream out(Path("k.tkchart"), std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 40; ++i) {
      out.write(reinterpret_cast<const char*>(record.data()), 64);
    }
    out.write(std::string(64, '\xFF').data(), 64);
    out.close();
    const std::string chosen = offsetWords ? "--offset-values" : "--trace";
    const std::vector<std::string> rows =
        test::Lines(Cli({chosen, "chart", "decode", Path("k.tkchart")}).out);
    ASSERT_EQ(rows.size(), 1u + 34u) << offsetWords;
    EXPECT_EQ(rows[1].substr(0, 10), "0,0,,200,,") << "frame 0 carries no values";
    const std::vector<std::string> fields = test::Fields(rows[1 + 33]);
    for (int ch = 0; ch < 16; ++ch) {
      EXPECT_EQ(fields[2 + 2 * ch], std::to_string(count(ch))) << offsetWords << " CH" << ch;
    }

    const std::vector<std::string> keys =
        test::Lines(Cli({chosen, "analyze", Path("k.tkchart"), "--format", "csv"}).out);
    ASSERT_EQ(keys.size(), 17u);
    for (int ch = 0; ch < 16; ++ch) {
      EXPECT_EQ(test::Fields(keys[1 + ch])[1], std::to_string(count(ch)) + ".00")
          << offsetWords << " CH" << ch;
    }
  }
}

TEST_F(CliFiles, SettingsShow) {
  const CliResult defaults = Cli({"settings", "show"});
  ASSERT_EQ(defaults.status, 0);
  EXPECT_NE(defaults.out.find("bufferFrames = 1638400\n"), std::string::npos);

  GlobalSettings s;
  s.chTimer = 7;
  ASSERT_TRUE(SaveSettingsTo(Path("other.tmp"), s));
  const CliResult other = Cli({"settings", "show", Path("other.tmp")});
  EXPECT_NE(other.out.find("chTimer = 7\n"), std::string::npos);
  EXPECT_EQ(Cli({"settings", "show", Path("none.tmp")}).status, 1);
  EXPECT_EQ(Cli({"settings"}).status, 2);
}

TEST_F(CliFiles, TextLookup) {
  std::ofstream(Path("t.xml")) << "<?xml version=\"1.0\" encoding=\"utf-8\"?><text>"
                                  "<SENTENSE id=\"HELLO\"><VALUE Lang=\"en\">Hello</VALUE>"
                                  "<VALUE Lang=\"cn\">你好</VALUE></SENTENSE></text>";
  EXPECT_EQ(Cli({"text", "HELLO", "--lang", "1", "--file", Path("t.xml")}).out, "Hello\n");
  EXPECT_EQ(Cli({"text", "HELLO", "--lang", "2", "--file", Path("t.xml")}).out, "你好\n");
  EXPECT_EQ(Cli({"text", "HELLO", "--lang", "3", "--file", Path("t.xml")}).out, "HELLO\n");
  EXPECT_EQ(Cli({"text", "MISSING", "--lang", "1", "--file", Path("t.xml")}).out, "MISSING\n");
  EXPECT_EQ(Cli({"text", "--lang", "4", "X"}).status, 2);
}

TEST_F(CliFiles, KeygenPackageAndVerifyMakeAndCheckASignedPackage) {
  namespace fs = std::filesystem;
  const std::string pub = Path("k.pub"), secret = Path("k.secret");
  ASSERT_EQ(Cli({"keygen", pub, secret}).status, 0);
  EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Cli({"keygen", Path("other.pub"), secret}).status, 1) << "a key is never replaced";

  const auto folder = StateDirectory() / "release";
  fs::create_directories(folder / "lib");
  std::ofstream(folder / "padscope") << "program";
  std::ofstream(folder / "lib" / "x.so") << "lib";
  const std::string pkg = Path("Padscope.pkg");
  const CliResult noVersion = Cli({"package", folder.string(), pkg, "--key", secret});
  EXPECT_EQ(noVersion.status, 1);
  EXPECT_NE(noVersion.err.find("appCheck"), std::string::npos) << noVersion.err;

  std::ofstream(folder / "appCheck") << "Current Version = 107\nProduct = Padscope\n"
                                        "Platform = windows-x86_64\n";
  const CliResult r = Cli({"package", folder.string(), pkg, "--key", secret});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("3 files, version 107, ", 0), 0u) << r.out;
  const CliResult ok = Cli({"verify", pkg, "--key", pub});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.out, "signed, version 107, 3 files, Padscope for windows-x86_64\n");

  // Checked against another key, or changed after signing: exit 1 with the reason.
  ASSERT_EQ(Cli({"keygen", Path("other.pub"), Path("other.secret")}).status, 0);
  const CliResult other = Cli({"verify", pkg, "--key", Path("other.pub")});
  EXPECT_EQ(other.status, 1);
  EXPECT_NE(other.err.find("signature"), std::string::npos) << other.err;
  std::vector<uint8_t> image = test::ReadAll(pkg);
  image[30] ^= 1;
  test::WriteAll(pkg, image);
  EXPECT_EQ(Cli({"verify", pkg, "--key", pub}).status, 1);
  EXPECT_EQ(Cli({"package", folder.string(), pkg}).status, 2);
}
}  // namespace
}  // namespace padscope
