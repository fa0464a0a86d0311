#pragma once

// The rules that recommend a key's threshold from the figures of its output
// values, and how a report names them with their numbers.

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/AnalysisOptions.h"

namespace padscope {

// The guides' rule: the finger threshold at this share of the weakest touch's
// rise above the idle mean, a hysteresis and a noise threshold below it.
inline constexpr double kGuideFingerShare = 0.8;
inline constexpr double kGuideHysteresisShare = 0.15;  // of the finger threshold's rise
inline constexpr double kGuideNoiseShare = 0.4;

struct ThresholdFigures {
  double idleMean = 0;
  int32_t idleMax = 0;
  double touchedMean = 0;
  double weakestMean = 0;  // the weakest touch's mean output
};

struct Recommendation {
  int32_t threshold = 0;
  std::optional<int32_t> hysteresis;
  std::optional<int32_t> noiseThreshold;
};

// The threshold `options.rule` gives, rounded, 1 to 255 in single-byte mode.
Recommendation RecommendThreshold(const ThresholdFigures& f, const AnalysisOptions& options);

// "factor: idle maximum + 0.50 x (touched mean - idle maximum)" and the like.
std::string DescribeThresholdRule(const AnalysisOptions& options);

}  // namespace padscope
