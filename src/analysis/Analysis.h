#pragma once

// The tuning analysis: per key the noise, signal, SNR, recommended threshold
// and margins, and the crosstalk between keys, over a range of frames.
//
// A frame is idle when no key bit is set in it or in the `guard` frames on
// either side, and touched for key k when k's bit is set in it and in the
// `guard` frames on either side. Frames too close to the ends of the range to
// see their guard frames count for neither. Frames that were not decoded (the
// buffer's first frame, invalid reports) are left out as if absent.
//
// One pass, linear in the frames, memory in proportion to the guard and the
// plot width only. A re-run over a range of a few thousand frames takes well
// under a millisecond, so a window may simply run it again.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/AnalysisFrame.h"

namespace padscope {

class CaptureContext;

inline constexpr int kDefaultGuardFrames = 5;
inline constexpr double kDefaultMinSnr = 5.0;
inline constexpr double kDefaultThresholdAt = 0.5;
inline constexpr double kDefaultCrosstalkFlagPercent = 20.0;
inline constexpr int kMaxGuardFrames = 100000;

struct AnalysisOptions {
  int guard = kDefaultGuardFrames;
  double minSnr = kDefaultMinSnr;
  // Where between the idle maximum and the touched mean the recommended
  // threshold sits (0 to 1).
  double thresholdAt = kDefaultThresholdAt;
  double crosstalkFlagPercent = kDefaultCrosstalkFlagPercent;
  bool singleByteMode = true;
  uint16_t channels = 0xFFFF;  // the shown channels, bit k = channel k
  // The channels' current thresholds (base + pending delta), for the margins.
  std::optional<std::array<int32_t, kAnalysisChannels>> thresholds;
  // Width of the per-channel plot summary in columns (0: none).
  int plotColumns = 0;

  bool operator==(const AnalysisOptions&) const = default;
};

enum class Verdict { Pass, Fail, Untouched, NoData };

// "pass", "fail", "untouched", "no data".
const char* VerdictName(Verdict verdict);

// Count, mean, spread and extremes of integer values. Sums are kept about the
// first value, so that a small spread on a large baseline keeps its digits.
struct ValueStats {
  int64_t count = 0;
  int32_t min = 0;
  int32_t max = 0;
  int32_t origin = 0;
  int64_t sum = 0;        // of value - origin; exact
  double sumSquares = 0;  // of (value - origin)^2

  void Add(int32_t v);
  double Mean() const;
  double StdDev() const;  // of the population; 0 for fewer than two values
};

// The figures of one value domain (output or raw).
struct DomainFigures {
  ValueStats idle;
  ValueStats touched;

  int64_t Noise() const { return int64_t{idle.max} - idle.min; }  // peak to peak
  double Signal() const { return touched.Mean() - idle.Mean(); }
};

// One column of a channel's plot summary: the extremes of the output over the
// frames that fall on it, and whether the key bit was set in any of them.
struct PlotColumn {
  bool valid = false;
  bool touched = false;
  int32_t min = 0;
  int32_t max = 0;
};

struct ChannelResult {
  int channel = 0;
  DomainFigures output;
  DomainFigures raw;
  int64_t touches = 0;  // runs of frames with the key bit set
  // Signal over noise; +infinity when the noise is 0 with a positive signal.
  // Only meaningful with idle and touched frames.
  double snr = 0;
  std::optional<int32_t> recommendedThreshold;
  std::optional<int32_t> threshold;         // the current one, when known
  std::optional<int64_t> falseTouchMargin;  // threshold - idle maximum
  std::optional<int64_t> detectionMargin;   // touched minimum - threshold
  Verdict verdict = Verdict::NoData;
  std::vector<PlotColumn> plot;

  bool HasIdle() const { return output.idle.count > 0; }
  bool HasTouch() const { return output.touched.count > 0; }
};

// Crosstalk from touched key i to another key j.
struct CrosstalkCell {
  bool measured = false;          // i was touched alone in some frame and j has idle frames
  double shift = 0;               // j's mean output while i alone is touched, less j's idle mean
  std::optional<double> percent;  // shift as a share of i's signal (when that is positive)
  bool flagged = false;           // percent above the flag level
};

struct AnalysisResult {
  AnalysisOptions options;
  int64_t firstFrame = 0;  // the range as given
  int64_t lastFrame = -1;
  int64_t frames = 0;  // decoded frames in the range
  int64_t idleFrames = 0;
  std::vector<ChannelResult> channels;  // the shown channels the frames carry, in order
  std::array<int64_t, kAnalysisChannels> aloneFrames{};  // frames where i alone is touched
  std::array<std::array<CrosstalkCell, kAnalysisChannels>, kAnalysisChannels> crosstalk{};

  bool Empty() const { return frames == 0; }
  // False when a touched channel fails or could not be measured.
  bool TouchedChannelsPass() const;
  const ChannelResult* Channel(int channel) const;
};

// The analysis fed frame by frame from any source, in recording order.
class Analyzer {
 public:
  // `rangeFrames` is how many frames Add will be given (for the plot columns).
  Analyzer(const AnalysisOptions& options, int64_t rangeFrames);

  // Every frame of the range, decoded or not (those not decoded are skipped
  // but keep the plot columns in step).
  void Add(const AnalysisFrame& frame);
  // The figures of the frames added. Call once: the plot summary moves out.
  AnalysisResult Finish();

 private:
  struct Accumulator {
    DomainFigures output;
    DomainFigures raw;
    int64_t touches = 0;
    std::array<int64_t, kAnalysisChannels> aloneSums{};  // j's output while this key alone
    std::vector<PlotColumn> plot;
  };

  // Adds (step 1) or removes (step -1) a window frame's key bits.
  void CountKeys(uint16_t keys, int step);
  void Classify(const AnalysisFrame& f);
  void AddToPlot(const AnalysisFrame& f, uint16_t keys, int64_t position);
  ChannelResult Summarise(int channel) const;
  void SummariseCrosstalk(AnalysisResult& result) const;

  AnalysisOptions options_;
  int64_t rangeFrames_;
  int64_t position_ = 0;  // frames given so far
  int64_t frames_ = 0;
  int64_t idleFrames_ = 0;
  uint16_t previousKeys_ = 0;
  uint16_t carried_ = 0;  // channels some frame carried
  // The last 2 * guard + 1 decoded frames; the middle one is classified.
  std::vector<AnalysisFrame> window_;
  size_t windowNext_ = 0;
  size_t windowFill_ = 0;
  int withAnyKey_ = 0;  // frames in the window with any key bit set
  std::array<int, kAnalysisChannels> withKey_{};
  std::array<int64_t, kAnalysisChannels> aloneFrames_{};
  std::array<Accumulator, kAnalysisChannels> channels_;
};

// Analyses frames `from` to `to` (both included) of the capture buffer,
// limited to the frames written so far, under the buffer's read lock (a
// compaction waits). A running writer's newest frames may be missed.
// As AnalyzeBuffer, for a caller that already holds ctx.ReadLock().
AnalysisResult AnalyzeLockedBuffer(const CaptureContext& ctx, int64_t from, int64_t to,
                                   const AnalysisOptions& options);
AnalysisResult AnalyzeBuffer(const CaptureContext& ctx, int64_t from, int64_t to,
                             const AnalysisOptions& options);

}  // namespace padscope
