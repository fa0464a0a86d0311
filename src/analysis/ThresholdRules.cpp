#include "analysis/ThresholdRules.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "analysis/AnalysisReport.h"

namespace padscope {

namespace {

constexpr double kSingleByteMin = 1;
constexpr double kSingleByteMax = 255;

int32_t Rounded(double v, bool singleByte) {
  double r = std::round(v);
  if (singleByte) {
    r = std::clamp(r, kSingleByteMin, kSingleByteMax);
  }
  return static_cast<int32_t>(std::clamp<double>(r, std::numeric_limits<int32_t>::min(),
                                                 std::numeric_limits<int32_t>::max()));
}

}  // namespace

const char* ThresholdRuleName(ThresholdRule rule) {
  return rule == ThresholdRule::Guide ? "guide" : "factor";
}

std::optional<ThresholdRule> ParseThresholdRule(const char* name) {
  if (std::strcmp(name, "factor") == 0) {
    return ThresholdRule::Factor;
  }
  if (std::strcmp(name, "guide") == 0) {
    return ThresholdRule::Guide;
  }
  return std::nullopt;
}

const char* FramePeriodSourceText(FramePeriodSource source) {
  switch (source) {
    case FramePeriodSource::Option:
      return "--frame-ms";
    case FramePeriodSource::Settings:
      return "the settings' sampling period";
    case FramePeriodSource::TimeStamps:
      return "the capture's time stamps";
    case FramePeriodSource::ChipRate:
      return "the simulated chip's scan rate";
    case FramePeriodSource::Default:
      break;
  }
  return "the default for a chart";
}

Recommendation RecommendThreshold(const ThresholdFigures& f, const AnalysisOptions& options) {
  Recommendation r;
  const bool single = options.singleByteMode;
  if (options.rule == ThresholdRule::Guide) {
    const double rise = f.weakestMean - f.idleMean;
    const double finger = kGuideFingerShare * rise;
    r.threshold = Rounded(f.idleMean + finger, single);
    r.hysteresis = static_cast<int32_t>(std::max(1.0, std::round(kGuideHysteresisShare * finger)));
    r.noiseThreshold = Rounded(f.idleMean + kGuideNoiseShare * rise, single);
    return r;
  }
  r.threshold = Rounded(f.idleMax + options.thresholdAt * (f.touchedMean - f.idleMax), single);
  return r;
}

std::string DescribeThresholdRule(const AnalysisOptions& options) {
  if (options.rule == ThresholdRule::Guide) {
    return "guide: finger threshold = idle mean + " + FormatFixed(100 * kGuideFingerShare, 0) +
           " % of the weakest touch's rise, hysteresis " +
           FormatFixed(100 * kGuideHysteresisShare, 0) + " % of that, noise threshold at " +
           FormatFixed(100 * kGuideNoiseShare, 0) + " % of the rise";
  }
  return "factor: idle maximum + " + FormatFixed(options.thresholdAt, 2) +
         " x (touched mean - idle maximum)";
}

}  // namespace padscope
