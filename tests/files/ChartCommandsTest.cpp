// The chart commands: save with companions, the three readers with their stop
// and pause rules, and Dump Original Data.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>

#include "capture/CaptureContext.h"
#include "common/Files.h"
#include "common/MessageLogRecorder.h"
#include "files/ChartCommands.h"
#include "files/ChartFile.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadAll;

struct Entry {
  int number;
  std::string name;
  std::string path;
  bool operator==(const Entry&) const = default;
};

class TestChartHost : public ChartHost {
 public:
  std::vector<std::string> MessageLogLines() override { return log; }
  int ChartListCount() override { return static_cast<int>(entries.size()); }
  void AddChartListEntry(int number, const std::string& name, const std::string& path) override {
    entries.push_back({number, name, path});
  }
  void SetChartStatus(const std::string& text) override { status = text; }
  void DispatchEvent() override {
    ++dispatched;
    if (onDispatch) {
      onDispatch();
    }
  }
  void PausedStep() override {
    ++pausedSteps;
    if (onPaused) {
      onPaused();
    }
  }
  void StopLiveCapture() override { ++liveStops; }
  void RedrawScopes() override { ++redraws; }
  void HideAutoBalanceButton() override { ++hides; }

  std::vector<std::string> log = {"first line", "second line"};
  std::vector<Entry> entries;
  std::string status;
  int dispatched = 0, pausedSteps = 0, liveStops = 0, redraws = 0, hides = 0;
  std::function<void()> onDispatch, onPaused;
};

// n records of a 16-channel single-byte stream, then the end record.
Bytes ChartBytes(int n, uint8_t seed = 1) {
  Bytes bytes;
  for (int i = 0; i < n; ++i) {
    Bytes r(64);
    for (int k = 0; k < 64; ++k) {
      r[k] = static_cast<uint8_t>(seed + i * 3 + k);
    }
    r[2] = 0x10;
    r[58] = 0;
    bytes.insert(bytes.end(), r.begin(), r.end());
  }
  bytes.insert(bytes.end(), 64, 0xFF);
  return bytes;
}

class ChartCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    SetPrompt(prompt);
    SetFileChooser(chooser);
  }
  fs::path Path(const std::string& name) { return StateDirectory() / name; }
  fs::path WriteChartFile(const std::string& name, int n, uint8_t seed = 1) {
    test::WriteAll(Path(name), ChartBytes(n, seed));
    return Path(name);
  }
  GlobalSettings& settings() { return GlobalSettings::Instance(); }
  ChartTargets targets{ctx, GlobalSettings::Instance(), fields, host};

  CaptureContext ctx;
  FrameFields fields;
  TestChartHost host;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::shared_ptr<ScriptedFileChooser> chooser = std::make_shared<ScriptedFileChooser>();
};

TEST(ChartNames, ProposedCompanionAndDumpNames) {
  std::tm t{};
  t.tm_year = 2023 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 30;
  t.tm_sec = 15;
  EXPECT_EQ(ProposedChartName(t), "20231207_093015.tkchart");
  EXPECT_EQ(CompanionBaseName("rec.tkchart"), "rec");
  EXPECT_EQ(CompanionBaseName("rec.bin"), "rec.bin");
  EXPECT_EQ(CompanionBaseName("rec.TKCHART"), "rec.TKCHART");
  EXPECT_EQ(CompanionBaseName(".tkchart"), "");
  EXPECT_EQ(DumpTableName(3, 16, t), "Raw63-16 1207 093015.csv");
  EXPECT_EQ(DumpTableName(0, 8, t), "Raw22-8 1207 093015.csv");
  EXPECT_EQ(DumpTableName(4, 8, t), "");
  EXPECT_EQ(DumpLogName(16, t), "TMR_REFC-16 1207 093015.txt");
}

TEST_F(ChartCommands, LoadThenSaveWithCompanionsAndNumbers) {
  chooser->Answer(WriteChartFile("in.tkchart", 30));
  LoadChart(targets);
  EXPECT_EQ(ctx.WriteIndex(), 24);
  EXPECT_EQ(host.status, "in.tkchart");
  EXPECT_EQ(fields.chartPath, Path("in.tkchart").string());
  ASSERT_EQ(host.entries.size(), 1u);
  EXPECT_EQ(host.entries[0].number, 0) << "loading numbers with the count before insertion";
  EXPECT_GE(host.dispatched, 3);
  EXPECT_EQ(host.redraws, 1);

  const fs::path out = StateDirectory() / "tkchart" / "rec.tkchart";
  chooser->Answer(out);
  ASSERT_TRUE(SaveChart(targets));
  const FileRequest request = chooser->Requests().back();
  EXPECT_EQ(request.filter, "TK Raw Data Files (*.tkchart)|*.tkchart|All Files (*.*)|*.*||");
  EXPECT_EQ(request.defaultExtension, "tkchart");
  EXPECT_TRUE(request.overwritePrompt);
  EXPECT_EQ(fs::path(request.proposedName).filename().string().size(),
            std::string("20231207_093015.tkchart").size());
  EXPECT_EQ(fs::file_size(out), 64u * 25);
  EXPECT_EQ(host.entries.back(), (Entry{2, "rec.tkchart", out.string()}))
      << "saving numbers with the count plus one";
  EXPECT_EQ(fields.chartName, "rec.tkchart");
  const Bytes log = ReadAll(Path("data/rec.txt"));
  EXPECT_EQ(std::string(log.begin(), log.end()), "first line\r\nsecond line\r\n");

  // A second save under the same name appends to the companions, replaces the chart.
  chooser->Answer(out);
  ASSERT_TRUE(SaveChart(targets));
  EXPECT_EQ(fs::file_size(out), 64u * 25);
  const Bytes table = ReadAll(Path("data/rec.csv"));
  const std::string text(table.begin(), table.end());
  EXPECT_EQ(text.find("0,1,2,3,"), 0u);
  EXPECT_NE(text.find("0,1,2,3,", 1), std::string::npos) << "a second table";
  EXPECT_EQ(ReadAll(Path("data/rec.txt")).size(), 2 * log.size());
}

TEST_F(ChartCommands, SaveUnderANameWithoutTheChartEnding) {
  ASSERT_TRUE(ctx.AllocateFrames(16));
  chooser->Answer(Path("plain.bin"));
  ASSERT_TRUE(SaveChart(targets));
  EXPECT_TRUE(fs::exists(Path("data/plain.bin.csv")));
  EXPECT_TRUE(fs::exists(Path("data/plain.bin.txt")));
  EXPECT_EQ(fs::file_size(Path("plain.bin")), 64u);
}

// A name typed without an extension is saved as a chart the program loads
// back, by Save Data and by Dump Original Data, and the log says where it went.
TEST_F(ChartCommands, ANameWithoutExtensionIsSavedAsAChartThatLoadsBack) {
  test::MessageLogRecorder log;
  chooser->Answer(WriteChartFile("in.tkchart", 30));
  LoadChart(targets);
  chooser->Answer(Path("first"));
  ASSERT_TRUE(SaveChart(targets));
  chooser->Answer(Path("dump"));
  DumpOriginalData(targets);
  for (const char* name : {"first.tkchart", "dump.tkchart"}) {
    EXPECT_TRUE(log.Contains("save ok. " + Path(name).string())) << name;
    ctx.ResetFrames();
    LoadDroppedChart(targets, Path(name).string());
    EXPECT_EQ(ctx.WriteIndex(), 30 - 6 - 6) << name;
  }
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"save ok."});
}

TEST_F(ChartCommands, SaveFailuresAndCancel) {
  ASSERT_TRUE(ctx.AllocateFrames(16));
  chooser->Answer(std::nullopt);
  EXPECT_FALSE(SaveChart(targets));
  EXPECT_TRUE(host.entries.empty());

  fs::create_directories(Path("data/blocked.csv"));  // the table cannot be opened
  chooser->Answer(Path("blocked.tkchart"));
  EXPECT_FALSE(SaveChart(targets));
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"file create failed."});
  EXPECT_FALSE(fs::exists(Path("blocked.tkchart"))) << "no chart without its companions";

  chooser->Answer(Path("no-dir/x.tkchart"));
  EXPECT_FALSE(SaveChart(targets));
  EXPECT_EQ(prompt->Texts().back(), "Tkchart file create failed.");
}

TEST_F(ChartCommands, DroppedFilesMustEndInLowerCaseTkchart) {
  const fs::path upper = WriteChartFile("UP.TKCHART", 10);
  LoadDroppedChart(targets, upper.string());
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"文件类型不匹配!"});
  EXPECT_TRUE(host.entries.empty());

  const fs::path good = WriteChartFile("ok.tkchart", 10);
  LoadDroppedChart(targets, good.string());
  EXPECT_EQ(ctx.WriteIndex(), 4);
  EXPECT_EQ(host.entries, (std::vector<Entry>{{0, "ok.tkchart", good.string()}}));
  LoadDroppedChart(targets, Path("missing.tkchart").string());
  EXPECT_EQ(prompt->Texts().back(), "File open failed.");
}

TEST_F(ChartCommands, ALargeChartEnlargesTheBuffer) {
  settings().bufferFrames = 1024;
  chooser->Answer(WriteChartFile("big.tkchart", 3000));
  LoadChart(targets);
  EXPECT_EQ(settings().bufferFrames, 3072);  // 3001 records, rounded up to whole KB
  EXPECT_GE(ctx.frameCapacity, 3001);
  EXPECT_EQ(ctx.WriteIndex(), 2994);
}

TEST_F(ChartCommands, ReplayPausesAndContinues) {
  fields.chartPath = WriteChartFile("r.tkchart", 100).string();
  host.onDispatch = [&] {
    if (host.dispatched == 2) {
      fields.playbackRunning = 0;  // the pause command
    }
  };
  host.onPaused = [&] {
    if (host.pausedSteps == 3) {
      fields.playbackRunning = 1;  // and continue
    }
  };
  ReplayChart(targets);
  EXPECT_EQ(host.pausedSteps, 3);
  EXPECT_EQ(ctx.WriteIndex(), 94);
  EXPECT_EQ(host.status, "File: " + fields.chartPath);
  EXPECT_TRUE(host.entries.empty()) << "a replay adds no entry";
}

TEST_F(ChartCommands, HeaderClickStopsAReplayAlsoWhilePaused) {
  fields.chartPath = WriteChartFile("r.tkchart", 200).string();
  host.onDispatch = [&] { fields.playbackRunning = 0; };
  host.onPaused = [&] { fields.playbackStop = 1; };
  ReplayChart(targets);
  EXPECT_EQ(host.pausedSteps, 1);
  EXPECT_LT(ctx.WriteIndex(), 20);
  EXPECT_EQ(ctx.runState, kRunStopped);
}

TEST_F(ChartCommands, LoadDataDuringAReplayEndsItThenLoads) {
  fields.chartPath = WriteChartFile("long.tkchart", 500).string();
  const fs::path second = WriteChartFile("second.tkchart", 20, 9);
  host.onDispatch = [&] {
    if (host.dispatched == 3) {
      chooser->Answer(second);
      LoadChart(targets);  // runs inside the replay's event handling
    }
  };
  ReplayChart(targets);
  EXPECT_EQ(fields.chartPath, second.string());
  EXPECT_EQ(ctx.WriteIndex(), 14) << "the buffer holds the second chart alone";
  ASSERT_EQ(host.entries.size(), 1u);
  EXPECT_EQ(host.entries[0].name, "second.tkchart");
}

// A chart named on the command line: loaded without asking, listed by its full
// path though given relative to the current folder, and deferred like Load
// Data when a replay is reading.
TEST_F(ChartCommands, ChartFromTheCommandLineLoadsWithoutAskingAndKeepsItsFullPath) {
  fields.chartPath = WriteChartFile("long.tkchart", 500).string();
  const fs::path given = WriteChartFile("given.tkchart", 20, 9);
  const fs::path before = fs::current_path();
  fs::current_path(StateDirectory());
  host.onDispatch = [&] {
    if (host.dispatched == 3) {
      LoadChartFile(targets, "./given.tkchart");
    }
  };
  ReplayChart(targets);
  fs::current_path(before);
  EXPECT_TRUE(chooser->Requests().empty());
  EXPECT_EQ(fields.chartPath, given.string());
  EXPECT_EQ(ctx.WriteIndex(), 14);
  ASSERT_EQ(host.entries.size(), 1u);
  EXPECT_EQ(host.entries[0].path, given.string());
}

TEST_F(ChartCommands, AReaderFirstStopsALiveCapture) {
  ctx.runState = kRunRunning;
  chooser->Answer(std::nullopt);
  LoadChart(targets);
  EXPECT_EQ(host.liveStops, 1);
}

TEST_F(ChartCommands, DumpOriginalData) {
  ASSERT_TRUE(ctx.AllocateFrames(16));
  chooser->Answer(Path("dump.bin"));
  lastFrameLayout = -1;
  DumpOriginalData(targets);
  EXPECT_TRUE(prompt->Texts().empty()) << "no layout yet: nothing written, nothing shown";
  EXPECT_FALSE(fs::exists(Path("dump.bin")));

  chooser->Answer(WriteChartFile("in.tkchart", 12));
  LoadChart(targets);
  chooser->Answer(Path("dump.bin"));
  DumpOriginalData(targets);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"save ok."});
  EXPECT_EQ(fs::file_size(Path("dump.bin")), 64u * 7);
  int tables = 0, logs = 0;
  for (const auto& e : fs::directory_iterator(Path("data"))) {
    const std::string name = e.path().filename().string();
    tables += name.rfind("Raw63-16 ", 0) == 0 ? 1 : 0;
    logs += name.rfind("TMR_REFC-16 ", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(tables, 1);
  EXPECT_EQ(logs, 1);
}

// The last buffered bytes of an export go out when it is closed; a file that
// cannot grow (here: a size limit) fails there, and that is no "save ok.".
TEST_F(ChartCommands, AnExportWhoseCloseFailsIsNoSave) {
  chooser->Answer(WriteChartFile("in.tkchart", 12));
  LoadChart(targets);
  host.log = {std::string(3000, 'x')};  // fits the stream's buffer, not the limit
  chooser->Answer(Path("dump.bin"));
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const rlimit small{2000, old.rlim_max};
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  DumpOriginalData(targets);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"file create failed."});
}

}  // namespace
}  // namespace padscope
