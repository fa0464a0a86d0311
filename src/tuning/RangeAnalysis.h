#pragma once

// The tuning analysis of a chosen stretch of the capture buffer, kept up to
// date while the capture runs: the last N seconds (analysed afresh each time,
// a few thousand frames), or a fixed stretch (the cursors', a guided
// measurement's) or the whole buffer, read in slices of a given number of
// frames so that a full buffer never holds the window up, and afterwards only
// the frames that arrived since.

#include <cstdint>
#include <optional>

#include "analysis/Analysis.h"
#include "tuning/BufferPositions.h"

namespace padscope {

class CaptureContext;
struct GlobalSettings;

// The channels the views show: enabled in the settings and carried by the
// frames (bit k: channel k).
uint16_t ShownChannelMask(const CaptureContext& ctx, const GlobalSettings& settings);

enum class TuningRangeKind { LastSeconds, Cursors, WholeBuffer, Walk };

struct TuningRange {
  TuningRangeKind kind = TuningRangeKind::LastSeconds;
  int seconds = 10;               // LastSeconds
  std::optional<FrameMark> from;  // Cursors and Walk: the first and last frame
  std::optional<FrameMark> to;

  bool operator==(const TuningRange&) const = default;
};

// Frames `seconds` back from the newest frame's time stamp: the first index
// of the last N seconds, or -1 without frames. With `frameMs` the frames are
// counted at that period instead (a loaded chart's stamps are no clock).
int FirstFrameOfLastSeconds(const CaptureContext& ctx, int seconds,
                            std::optional<double> frameMs = std::nullopt);

// The options with their frame period settled: a period of 0 asks for the
// one the time stamps of frames `first` to `last` show (else the default).
AnalysisOptions WithFramePeriod(const CaptureContext& ctx, AnalysisOptions options, int64_t first,
                                int64_t last);

class RangeAnalysis {
 public:
  enum class Status {
    Current,     // Result() covers the range as the buffer holds it
    Partial,     // still reading the range; Result() covers what was read
    Unavailable  // the range names no frames (none yet, or dropped from the buffer)
  };

  // Brings the result up to date, reading at most `budget` frames. Returns
  // true when Result() changed.
  bool Update(const CaptureContext& ctx, const TuningRange& range, const AnalysisOptions& options,
              int64_t budget);
  Status status() const { return status_; }
  // How much of a fixed range has been read, 0 to 1.
  double Progress() const;
  const std::optional<AnalysisResult>& Result() const { return result_; }
  // Forgets everything, so that the next Update starts afresh.
  void Reset();

 private:
  bool UpdateLastSeconds(const CaptureContext& ctx, int seconds, const AnalysisOptions& options);
  bool Restart(const CaptureContext& ctx, const TuningRange& range, const AnalysisOptions& options);
  void Publish();

  // What the analysis in progress was started for.
  std::optional<TuningRange> range_;
  AnalysisOptions options_;
  uint32_t generation_ = 0;
  int64_t compacted_ = 0;
  int lastWriteIndex_ = -1;

  std::optional<Analyzer> analyzer_;
  int64_t first_ = 0;  // buffer positions (marks' frames) of the stretch
  int64_t next_ = 0;
  int64_t end_ = 0;  // last frame to read; grows with the whole buffer
  Status status_ = Status::Unavailable;
  std::optional<AnalysisResult> result_;
};

}  // namespace padscope
