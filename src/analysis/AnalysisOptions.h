#pragma once

// How the tuning analysis reads a range: the frame period its times are
// counted with, the guard and the minimum touch in milliseconds, the rule
// that recommends thresholds and the levels of the verdicts.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/AnalysisFrame.h"

namespace padscope {

inline constexpr double kDefaultGuardMs = 50;
inline constexpr double kDefaultMinTouchMs = 60;
inline constexpr double kDefaultFrameMs = 20;  // a chart's frame period when nothing says
inline constexpr double kDefaultMinSnr = 5.0;
inline constexpr double kDefaultThresholdAt = 0.5;
inline constexpr double kDefaultCrosstalkFlagPercent = 20.0;
inline constexpr double kMaxGuardMs = 10000;
inline constexpr double kMaxFrameMs = 10000;
// A shift that lasts longer than this is a new idle level (a chip restart, a
// baseline jump), not a touch.
inline constexpr double kMaxTouchMs = 10000;

enum class ThresholdRule {
  Factor,  // idle maximum + F x (touched mean - idle maximum)
  Guide,   // the tuning guides' finger threshold at 80 % of the weakest touch
};

// Where the frame period came from.
enum class FramePeriodSource { Default, Option, Settings, TimeStamps, ChipRate };

// A stretch of the range (positions from its first frame) in which the guided
// measurement asked for one key: that key is the source of any crosstalk there.
struct AskedTouch {
  int64_t from = 0;
  int64_t to = 0;
  int channel = 0;
  bool operator==(const AskedTouch&) const = default;
};

struct AnalysisOptions {
  double frameMs = kDefaultFrameMs;
  FramePeriodSource frameSource = FramePeriodSource::Default;
  double guardMs = kDefaultGuardMs;
  double minTouchMs = kDefaultMinTouchMs;
  double minSnr = kDefaultMinSnr;
  ThresholdRule rule = ThresholdRule::Factor;
  // Where between the idle maximum and the touched mean the factor rule's
  // threshold sits (0 to 1).
  double thresholdAt = kDefaultThresholdAt;
  double crosstalkFlagPercent = kDefaultCrosstalkFlagPercent;
  bool singleByteMode = true;
  uint16_t channels = 0xFFFF;  // the keys to analyse, bit k = channel k
  // The channels' current thresholds (base + pending delta), for the margins.
  std::optional<std::array<int32_t, kAnalysisChannels>> thresholds;
  std::vector<AskedTouch> asked;
  // Width of the per-channel plot summary in columns (0: none).
  int plotColumns = 0;

  bool operator==(const AnalysisOptions&) const = default;
};

// "factor" or "guide", and back.
const char* ThresholdRuleName(ThresholdRule rule);
std::optional<ThresholdRule> ParseThresholdRule(const char* name);

// How a report says where the frame period came from.
const char* FramePeriodSourceText(FramePeriodSource source);

}  // namespace padscope
