#include "files/ChartCommands.h"

#include <chrono>
#include <cstdio>
#include <memory>

#include "capture/CaptureContext.h"
#include "files/ChartFile.h"
#include "files/Exports.h"
#include "platform/FileBytes.h"
#include "platform/MessageLog.h"
#include "platform/OwnFile.h"
#include "platform/ProgramFolders.h"
#include "platform/Prompt.h"
#include "platform/Tick.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

namespace fs = std::filesystem;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::tm LocalNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  return LocalTime(now);
}

// Before a save or an export: a layout outside 0..3 takes the last one decoded.
void SettleFrameLayout(CaptureContext& ctx) {
  const int layout = ctx.FrameLayout();
  if (layout < 0 || layout > 3) {
    ctx.frameLayout = lastFrameLayout.load();
  }
}

// What stays in the stream's buffer is written when it is closed: a failed
// close is a failed save.
bool Closed(File file) {
  return std::fclose(file.release()) == 0;
}

// The exports in "data" have predictable names: never appended to through a
// link or to another user's file.
bool AppendTable(const fs::path& path, const CaptureContext& ctx) {
  File out(OpenOwnFileForAppend(path));
  if (!out) {
    return false;
  }
  const bool written = WriteRawFrameTable(out.get(), ctx);
  return Closed(std::move(out)) && written;
}

bool AppendLog(const fs::path& path, const std::vector<std::string>& lines) {
  File out(OpenOwnFileForAppend(path));
  if (!out) {
    return false;
  }
  const bool written = WriteMessageLogText(out.get(), lines);
  return Closed(std::move(out)) && written;
}

// The buffer as it stands is in a chart file.
void MarkFramesSaved(const ChartTargets& t) {
  t.frame.savedGeneration = t.capture.generation.load();
  t.frame.savedFrames = t.capture.WriteIndex() + t.capture.compactedFrames.load();
}

enum class ReaderKind { Load, Drop, Replay };

// The stop and pause rules of the three readers.
class ReaderHooks : public ChartReadHooks {
 public:
  ReaderHooks(const ChartTargets& t, ReaderKind kind) : t_(t), kind_(kind) {}

  bool ShouldStop() override {
    FrameFields& f = t_.frame;
    switch (kind_) {
      case ReaderKind::Load:
        return f.playbackStop != 0;
      case ReaderKind::Drop:
        return false;
      case ReaderKind::Replay:
        // A stop request also ends a pause, or a paused replay would never see it.
        while (f.playbackRunning == 0 && f.playbackStop == 0) {
          t_.host.PausedStep();
        }
        return f.playbackStop != 0;
    }
    return false;
  }
  void DispatchEvent() override { t_.host.DispatchEvent(); }
  void HideAutoBalanceButton() override { t_.host.HideAutoBalanceButton(); }

 private:
  const ChartTargets& t_;
  ReaderKind kind_;
};

// Opens a chart and readies the buffer; null after telling the user why not.
// What is opened is checked, so nothing swapped in under the name can block.
File OpenForReading(const ChartTargets& t, const fs::path& path) {
  uintmax_t size = 0;
  File in(OpenRegularFile(path, size));
  if (!in) {
    ShowPrompt("File open failed.");
    return nullptr;
  }
  switch (PrepareChartBuffer(t.capture, t.settings, size)) {
    case ChartBufferStatus::ReallocateFailed:
      ShowPrompt("reallocate memory failed.");
      return nullptr;
    case ChartBufferStatus::AllocateFailed:
      ShowPrompt("Memory allocate failed.");
      return nullptr;
    case ChartBufferStatus::Ready:
      break;
  }
  return in;
}

void RunPending(const ChartTargets& t);
void LoadChartFrom(const ChartTargets& t, const std::optional<fs::path>& given);

// The reading loop with the bookkeeping every reader shares.
void Read(const ChartTargets& t, std::FILE* in, ReaderKind kind) {
  ReaderHooks hooks(t, kind);
  t.frame.readerActive = true;
  ReadChartRecords(in, t.capture, t.settings.singleByteMode, hooks);
  MarkFramesSaved(t);  // what was read is in the file, however far it got
  t.frame.readerActive = false;
  t.host.RedrawScopes();
}

// A reader asked for while another runs ends that one first (it runs nested in
// that reader's event handling) and starts once it has stopped.
bool DeferIfReading(const ChartTargets& t, FrameFields::PendingReader kind,
                    const std::string& path = {}) {
  if (!t.frame.readerActive) {
    if (t.capture.runState == kRunRunning) {
      t.host.StopLiveCapture();
    }
    return false;
  }
  t.frame.playbackStop = 1;
  t.frame.pendingReader = kind;
  t.frame.pendingPath = path;
  return true;
}

void RunPending(const ChartTargets& t) {
  const FrameFields::PendingReader kind = t.frame.pendingReader;
  const std::string path = t.frame.pendingPath;
  t.frame.pendingReader = FrameFields::PendingReader::None;
  switch (kind) {
    case FrameFields::PendingReader::Load:
      LoadChartFrom(t, std::nullopt);
      break;
    case FrameFields::PendingReader::LoadFile:
      LoadChartFrom(t, fs::path(path));
      break;
    case FrameFields::PendingReader::Replay:
      t.frame.chartPath = path;
      ReplayChart(t);
      break;
    case FrameFields::PendingReader::Drop:
      LoadDroppedChart(t, path);
      break;
    case FrameFields::PendingReader::None:
      break;
  }
}

}  // namespace

std::string ProposedChartName(const std::tm& local) {
  char name[64];
  std::snprintf(name, sizeof name, "%d%02d%02d_%02d%02d%02d.tkchart", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return name;
}

std::string CompanionBaseName(const std::string& chartName) {
  constexpr std::string_view kEnding = ".tkchart";
  if (chartName.size() >= kEnding.size() &&
      chartName.compare(chartName.size() - kEnding.size(), kEnding.size(), kEnding) == 0) {
    return chartName.substr(0, chartName.size() - kEnding.size());
  }
  return chartName;
}

std::string DumpTableName(int layout, int channelCount, const std::tm& local) {
  static const char* const kPrefixes[] = {"Raw22", "Raw31", "Raw51", "Raw63"};
  if (layout < 0 || layout > 3) {
    return {};
  }
  char name[96];
  std::snprintf(name, sizeof name, "%s-%d %02d%02d %02d%02d%02d.csv", kPrefixes[layout],
                channelCount, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec);
  return name;
}

std::string DumpLogName(int channelCount, const std::tm& local) {
  char name[96];
  std::snprintf(name, sizeof name, "TMR_REFC-%d %02d%02d %02d%02d%02d.txt", channelCount,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return name;
}

fs::path WithChartExtension(fs::path chosen) {
  if (!chosen.has_extension()) {
    chosen += ".";
    chosen += kChartDefaultExtension;
  }
  return chosen;
}

bool SaveChart(const ChartTargets& t) {
  const fs::path home = StateDirectory();
  std::error_code ec;
  fs::create_directories(home / "data", ec);
  fs::create_directories(home / "tkchart", ec);
  FileRequest request;
  request.kind = FileDialogKind::Save;
  request.filter = kChartFilter;
  request.defaultExtension = kChartDefaultExtension;
  request.proposedName = (home / "tkchart" / ProposedChartName(LocalNow())).string();
  request.overwritePrompt = true;
  std::optional<fs::path> chosen = TheFileChooser()->Choose(request);
  if (!chosen) {
    return false;
  }
  chosen = WithChartExtension(*chosen);
  t.frame.chartPath = chosen->string();
  t.frame.chartName = chosen->filename().string();
  const std::string base = CompanionBaseName(t.frame.chartName);
  SettleFrameLayout(t.capture);

  if (!AppendTable(home / "data" / (base + ".csv"), t.capture) ||
      !AppendLog(home / "data" / (base + ".txt"), t.host.MessageLogLines())) {
    ShowPrompt("file create failed.");
    return false;
  }
  if (!WriteChart(*chosen, t.capture)) {
    ShowPrompt("Tkchart file create failed.");
    return false;
  }
  AddMessageLog("save ok. %s", chosen->string().c_str());
  MarkFramesSaved(t);
  if (!t.frame.chartPath.empty()) {
    t.host.AddChartListEntry(t.host.ChartListCount() + 1, t.frame.chartName, t.frame.chartPath);
  }
  return true;
}

namespace {

// Load Data of the chart the user chooses, or of `given`.
void LoadChartFrom(const ChartTargets& t, const std::optional<fs::path>& given) {
  if (given ? DeferIfReading(t, FrameFields::PendingReader::LoadFile, given->string())
            : DeferIfReading(t, FrameFields::PendingReader::Load)) {
    return;
  }
  t.frame.playbackStop = 1;
  t.frame.coordFirst = 1;
  t.frame.chartPath.clear();
  std::optional<fs::path> chosen = given;
  if (!chosen) {
    FileRequest request;
    request.kind = FileDialogKind::Open;
    request.filter = kChartFilter;
    request.defaultExtension = kChartDefaultExtension;
    chosen = TheFileChooser()->Choose(request);
  }
  if (!chosen) {
    return;
  }
  t.host.SetChartStatus(chosen->filename().string());
  File in = OpenForReading(t, *chosen);
  if (!in) {
    return;
  }
  t.frame.playbackStop = 0;
  Read(t, in.get(), ReaderKind::Load);
  in.reset();
  t.frame.chartPath = chosen->string();
  t.host.AddChartListEntry(t.host.ChartListCount(), chosen->filename().string(), t.frame.chartPath);
  RunPending(t);
}

}  // namespace

void LoadChart(const ChartTargets& t) {
  LoadChartFrom(t, std::nullopt);
}

void LoadChartFile(const ChartTargets& t, const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  LoadChartFrom(t, ec ? fs::path(path) : absolute.lexically_normal());
}

void LoadDroppedChart(const ChartTargets& t, const std::string& path) {
  if (DeferIfReading(t, FrameFields::PendingReader::Drop, path)) {
    return;
  }
  t.frame.chartPath.clear();
  constexpr std::string_view kEnding = "tkchart";  // case-sensitive, as it always was
  if (path.size() < kEnding.size() ||
      path.compare(path.size() - kEnding.size(), kEnding.size(), kEnding) != 0) {
    ShowPrompt("文件类型不匹配!");
    return;
  }
  File in = OpenForReading(t, path);
  if (!in) {
    return;
  }
  Read(t, in.get(), ReaderKind::Drop);
  in.reset();
  t.frame.chartPath = path;
  t.host.AddChartListEntry(t.host.ChartListCount(), fs::path(path).filename().string(), path);
  RunPending(t);
}

void ReplayChart(const ChartTargets& t) {
  if (DeferIfReading(t, FrameFields::PendingReader::Replay, t.frame.chartPath)) {
    return;
  }
  t.host.SetChartStatus("File: " + t.frame.chartPath);
  std::error_code ec;
  if (!fs::is_regular_file(t.frame.chartPath, ec)) {
    ShowPrompt("File open failed.");
    return;
  }
  t.capture.ResetFrames();
  File in = OpenForReading(t, t.frame.chartPath);
  if (!in) {
    return;
  }
  t.frame.playbackStop = 0;
  t.frame.playbackRunning = 1;
  Read(t, in.get(), ReaderKind::Replay);
  RunPending(t);
}

void DumpOriginalData(const ChartTargets& t) {
  FileRequest request;
  request.kind = FileDialogKind::Save;
  request.filter = kChartFilter;
  request.defaultExtension = kChartDefaultExtension;
  request.overwritePrompt = true;
  std::optional<fs::path> chosen = TheFileChooser()->Choose(request);
  if (!chosen) {
    return;
  }
  chosen = WithChartExtension(*chosen);
  const fs::path data = StateDirectory() / "data";
  std::error_code ec;
  fs::create_directories(data, ec);
  const std::tm local = LocalNow();
  SettleFrameLayout(t.capture);
  const int layout = t.capture.FrameLayout();
  if (layout < 0 || layout > 3) {
    return;  // nothing decoded in this run: nothing to export
  }
  const int channels = t.capture.channelCount;
  if (!AppendTable(data / DumpTableName(layout, channels, local), t.capture)) {
    ShowPrompt("file create failed.");
    return;
  }
  if (!WriteChart(*chosen, t.capture)) {
    ShowPrompt("File create failed.");
    return;
  }
  MarkFramesSaved(t);
  if (!AppendLog(data / DumpLogName(channels, local), t.host.MessageLogLines())) {
    ShowPrompt("file create failed.");
    return;
  }
  AddMessageLog("save ok. %s", chosen->string().c_str());
  ShowPrompt("save ok.");
}

bool HoldsUnsavedFrames(const CaptureContext& ctx, const FrameFields& frame) {
  const int64_t frames = ctx.WriteIndex() + ctx.compactedFrames.load();
  return ctx.WriteIndex() > 0 &&
         (ctx.generation.load() != frame.savedGeneration || frames != frame.savedFrames);
}

bool MayDiscardFrames(const ChartTargets& t) {
  if (!HoldsUnsavedFrames(t.capture, t.frame)) {
    return true;
  }
  switch (ShowPrompt(kUnsavedFramesText, PromptIcon::Question, PromptButtons::SaveDiscardCancel)) {
    case PromptButton::Save:
      return SaveChart(t);
    case PromptButton::Discard:
      return true;
    default:
      return false;
  }
}

}  // namespace padscope
