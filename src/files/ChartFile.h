#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace padscope {

class CaptureContext;
struct GlobalSettings;

inline constexpr int kChartRecordBytes = 64;
inline constexpr uint8_t kChartEndByte = 0xFF;

// Writes a chart: the raw 64 bytes of frames 0 .. writeIndex - 1 (an all-0xFF
// frame, which would read as the end record, is left out), then the end
// record of 64 x 0xFF. Replaces any file at path. Returns false when the file
// cannot be created or written (a partial file is removed). UI thread.
// `from` and `to` (both included) limit the frames written to a range.
bool WriteChart(const std::filesystem::path& path, const CaptureContext& ctx, int from = 0,
                int to = std::numeric_limits<int>::max());
// The same records to an open stream; false on a write error.
bool WriteChartRecords(std::FILE* out, const CaptureContext& ctx, int from = 0,
                       int to = std::numeric_limits<int>::max());

// What the reading loop asks of its caller. Every hook runs on the reading
// (UI) thread.
class ChartReadHooks {
 public:
  virtual ~ChartReadHooks() = default;
  // Asked before each record is decoded (after it was read): true ends the
  // loop. The replay waits here while paused.
  virtual bool ShouldStop() { return false; }
  // Called once every eight records so the window stays responsive.
  virtual void DispatchEvent() {}
  // A layout of 2 or 3 was accepted: the threshold list hides "Auto Balance".
  virtual void HideAutoBalanceButton() {}
};

struct ChartReadResult {
  int64_t recordsRead = 0;  // whole 64-byte records taken from the file
  int64_t accepted = 0;     // records the decoder kept
  bool endRecord = false;   // stopped at an all-0xFF record
  bool stopped = false;     // ShouldStop ended the loop
};

// Frame buffer preparation before a chart is read: enlarges bufferFrames (and
// the buffer) to the file's record count, rounded up to a multiple of 1024,
// when it is smaller, and allocates the buffer when there is none.
enum class ChartBufferStatus { Ready, ReallocateFailed, AllocateFailed };
ChartBufferStatus PrepareChartBuffer(CaptureContext& ctx, GlobalSettings& settings,
                                     uintmax_t fileSize);

// The common reading loop: feeds the file's 64-byte records through the
// decoder into the frame buffer with run state 11 (replaying), from the
// current position to the end record, the end of the file or a stop. Frames
// are stamped 20 ms apart, the newest at lastSampleTime. Leaves run state 0.
ChartReadResult ReadChartRecords(std::FILE* in, CaptureContext& ctx, int singleByteMode,
                                 ChartReadHooks& hooks);

}  // namespace padscope
