#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace padscope {

class CaptureContext;
struct FrameFields;
struct GlobalSettings;

// What the chart commands need of the main window. UI thread.
class ChartHost {
 public:
  virtual ~ChartHost() = default;
  // The message log's lines, top to bottom (written beside a saved chart).
  virtual std::vector<std::string> MessageLogLines() = 0;
  virtual int ChartListCount() = 0;
  virtual void AddChartListEntry(int number, const std::string& name, const std::string& path) = 0;
  // Status pane 130: what is being read.
  virtual void SetChartStatus(const std::string& text) = 0;
  // Handles one waiting event (every eight records of a read).
  virtual void DispatchEvent() = 0;
  // While a replay is paused: repaint the scope views and handle what waits.
  virtual void PausedStep() = 0;
  // Stops a running live capture, with its wait, before a reader fills the
  // buffer the capture thread writes.
  virtual void StopLiveCapture() = 0;
  // The scope views redraw what was read.
  virtual void RedrawScopes() = 0;
  // A layout of 2 or 3 was accepted: the threshold list hides "Auto Balance".
  virtual void HideAutoBalanceButton() = 0;
};

// Everything a chart command works on.
struct ChartTargets {
  CaptureContext& capture;
  GlobalSettings& settings;
  FrameFields& frame;
  ChartHost& host;
};

inline constexpr const char* kChartFilter =
    "TK Raw Data Files (*.tkchart)|*.tkchart|All Files (*.*)|*.*||";
// Appended to a name typed without an extension, so that what is saved can be
// loaded back: Load Data's filter, a drop and a replay take only charts.
inline constexpr const char* kChartDefaultExtension = "tkchart";

// "20231207_093015.tkchart" for the given local time.
std::string ProposedChartName(const std::tm& local);
// The chosen name with ".tkchart" appended when it has no extension of its own.
std::filesystem::path WithChartExtension(std::filesystem::path chosen);
// A chosen name without its last 8 characters when these are ".tkchart".
std::string CompanionBaseName(const std::string& chartName);
// The raw-frame table name Dump Original Data uses for a layout 0..3 ("" for
// any other layout).
std::string DumpTableName(int layout, int channelCount, const std::tm& local);
std::string DumpLogName(int channelCount, const std::tm& local);

// Asks for a name and writes the chart with its two companions (table, then
// log text, then the chart) and lists it. True when the chart file was written.
bool SaveChart(const ChartTargets& t);

// Load Data: asks for a chart and reads it into the buffer.
void LoadChart(const ChartTargets& t);
// Load Data of a chart named on the command line (a relative path is taken
// from the current folder, so the chart list holds the full path).
void LoadChartFile(const ChartTargets& t, const std::string& path);
// A file dropped onto the chart list.
void LoadDroppedChart(const ChartTargets& t, const std::string& path);
// Replays the chart at frame.chartPath with pause and continue.
void ReplayChart(const ChartTargets& t);
// Dump Original Data: table, chart and log text for the current buffer.
void DumpOriginalData(const ChartTargets& t);

inline constexpr const char* kUnsavedFramesText =
    "The captured data has not been saved.\nSave it before the capture buffer is cleared?";

// Whether the buffer holds frames that no chart file has: a capture or a
// flash load not saved since, as opposed to nothing, or a chart read or saved.
bool HoldsUnsavedFrames(const CaptureContext& ctx, const FrameFields& frame);
// Before the buffer is emptied: unsaved frames are offered for saving first
// (Save / Discard / Cancel; Save is SaveChart). True when the buffer may go:
// nothing unsaved, saved now, or discarded; false after Cancel or a save
// that did not happen.
bool MayDiscardFrames(const ChartTargets& t);

}  // namespace padscope
