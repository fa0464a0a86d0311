#pragma once

// What the tuning analysis finds over a range of frames: per key the figures
// of the signal's own split into idle and touched frames (raw counts, the
// verdict's domain, and the chip's output values), the chip's view of the
// same touches counted against it, the recommended threshold, the verdict
// with its reasons, and the crosstalk between keys.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/AnalysisFrame.h"
#include "analysis/AnalysisOptions.h"

namespace padscope {

enum class Verdict { Pass, Fail, Untouched, NoData, Stuck, Dead };

// "pass", "fail", "untouched", "no data", "stuck", "dead".
const char* VerdictName(Verdict verdict);

// Why a key does not pass (bits of ChannelResult::reasons).
enum FailReason : uint32_t {
  kReasonLowSnr = 1u << 0,
  kReasonMissed = 1u << 1,        // touches the chip did not report
  kReasonFalseTouches = 1u << 2,  // key bits where the signal shows no touch
  kReasonDetectionMargin = 1u << 3,
  kReasonFalseTouchMargin = 1u << 4,
  kReasonCrosstalk = 1u << 5,  // a neighbour's touch fires this key's bit
};

// Which way a touch moves the key's raw count.
enum class Polarity { Unknown, Up, Down };

// Count, mean and extremes of integer values. Sums are kept about the first
// value, so that a small spread on a large baseline keeps its digits.
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

// One column of a channel's plot summary: the extremes of the output over the
// frames that fall on it, the chip's key bit, and what the analysis found.
struct PlotColumn {
  bool valid = false;
  bool touched = false;     // a touch the signal shows
  bool bit = false;         // the chip's key bit set in a frame of the column
  bool missed = false;      // a touch the chip did not report
  bool falseTouch = false;  // a key bit without a touch in the signal
  bool crosstalk = false;   // the key moved by a neighbour's touch
  int32_t min = 0;
  int32_t max = 0;
};

struct ChannelResult {
  int channel = 0;
  Verdict verdict = Verdict::NoData;
  uint32_t reasons = 0;  // FailReason bits
  Polarity polarity = Polarity::Unknown;

  // Raw counts: the split, the noise around the tracked baseline and the
  // touches' rise above it.
  int64_t idleFrames = 0;
  int64_t touchedFrames = 0;  // frames inside the touches, their edges left out
  double rawBaseline = 0;     // mean raw count of the idle frames
  double rawNoise = 0;        // peak to peak around the tracked baseline
  double driftSpan = 0;       // how far the baseline moved (restart steps left out)
  double driftPerMinute = 0;  // its net change per minute
  int64_t restarts = 0;       // steps to a new idle level
  int64_t spikes = 0;         // excursions shorter than the minimum touch
  double rawSignal = 0;       // mean rise of the touched frames
  double rawWeakest = 0;      // rise of the weakest touch
  // rawSignal / rawNoise, the verdict's figure; +infinity for noise 0.
  double snr = 0;

  // Output values (what the chip compares with its threshold) over the same split.
  double idleMean = 0;
  int32_t idleMin = 0;
  int32_t idleMax = 0;
  double outputNoise = 0;
  double touchedMean = 0;
  int32_t touchedMin = 0;
  double weakestMean = 0;  // the weakest touch's mean output
  double outputSignal = 0;
  double outputSnr = 0;
  int32_t touchedSpan = 0;  // largest peak to peak of the output within one touch

  std::optional<int32_t> recommendedThreshold;
  std::optional<int32_t> hysteresis;        // with the guides' rule
  std::optional<int32_t> noiseThreshold;    // with the guides' rule
  std::optional<int32_t> threshold;         // the current one, when known
  std::optional<int64_t> falseTouchMargin;  // threshold - idle maximum
  std::optional<int64_t> detectionMargin;   // touched minimum - threshold
  int32_t crosstalkCeiling = 0;             // highest output a flagged neighbour causes
  int crosstalkFrom = -1;                   // the key whose crosstalk fires this one

  // The chip's view of the signal's touches.
  int64_t touches = 0;   // the key's own touches in the signal
  int64_t reported = 0;  // of them, those the key bit followed
  int64_t missed = 0;
  int64_t falseTouches = 0;
  int64_t chatter = 0;            // dropouts of the bit within touches
  std::optional<double> delayMs;  // mean delay from the signal's touch to the bit
  double longestDropoutMs = 0;
  double longestFalseMs = 0;
  int64_t bitFrames = 0;

  std::vector<PlotColumn> plot;

  bool HasIdle() const { return idleFrames > 0; }
  bool HasTouch() const { return touches > 0; }
  bool Measured() const { return HasIdle() && HasTouch(); }
};

// Crosstalk from touched key i to another key j.
struct CrosstalkCell {
  bool measured = false;          // i was touched alone and j was carried
  double shift = 0;               // j's mean rise while i alone is touched (raw counts)
  std::optional<double> percent;  // shift as a share of i's signal
  int64_t fired = 0;              // of i's touches, those that set j's key bit
  bool flagged = false;           // above the flag level, or j's bit fired
};

struct AnalysisResult {
  AnalysisOptions options;
  int64_t firstFrame = 0;  // the range as given
  int64_t lastFrame = -1;
  int64_t frames = 0;                   // decoded frames in the range
  int64_t idleFrames = 0;               // frames idle on every key of the result
  bool keyBits = false;                 // the chip set a key bit somewhere in the range
  std::vector<ChannelResult> channels;  // the keys the frames carry, in order
  std::array<std::array<CrosstalkCell, kAnalysisChannels>, kAnalysisChannels> crosstalk{};

  bool Empty() const { return frames == 0; }
  // True when every key of the result passes.
  bool AllKeysPass() const;
  const ChannelResult* Channel(int channel) const;
};

}  // namespace padscope
