#include "tuning/ThresholdApply.h"

#include "analysis/Analysis.h"
#include "platform/MessageLog.h"
#include "state/GlobalSettings.h"
#include "viewlogic/ThresholdListLogic.h"

namespace padscope {

namespace {

// The chip takes a threshold as one byte; 0 would make every sample a touch.
constexpr int32_t kLowestSent = 1;
constexpr int32_t kHighestSent = 255;

bool Selected(uint16_t selected, int channel) {
  return channel >= 0 && channel < kSettingsChannelCount && ((selected >> channel) & 1) != 0;
}

}  // namespace

ThresholdApplyOutcome SendRecommendedThresholds(const AnalysisResult& result, uint16_t selected,
                                                CaptureContext& ctx, GlobalSettings& settings,
                                                HidAdapter& adapter) {
  ThresholdApplyOutcome outcome;
  bool any = false;
  for (const ChannelResult& c : result.channels) {
    any = any || (Selected(selected, c.channel) && c.recommendedThreshold);
  }
  if (!any) {
    outcome.refused = true;
    return outcome;
  }
  for (const ChannelResult& c : result.channels) {
    if (!Selected(selected, c.channel) || !c.recommendedThreshold) {
      continue;
    }
    const int32_t t = *c.recommendedThreshold;
    if (t < kLowestSent || t > kHighestSent) {
      // Cutting it to a byte would send a different threshold than the one
      // recommended, possibly one that makes every sample a touch.
      AddMessageLog("CH%d: recommended threshold %d does not fit the chip's byte; not sent.",
                    c.channel, t);
      ++outcome.skipped;
      continue;
    }
    ChannelConfig& ch = settings.channel[static_cast<size_t>(c.channel)];
    if (!SendChannelThreshold(ctx, adapter, c.channel, t)) {
      AddMessageLog("Send recommended threshold of CH%d failed.", c.channel);
      ++outcome.failed;
      continue;
    }
    AddMessageLog("Send recommended threshold of CH%d: %d (was %d)", c.channel, t,
                  ch.EffectiveThreshold());
    ch.threshold = t;
    ch.thresholdDelta = 0;
    ++outcome.sent;
    outcome.sentChannels |= static_cast<uint16_t>(1u << c.channel);
  }
  return outcome;
}

}  // namespace padscope
