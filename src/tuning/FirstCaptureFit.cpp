#include "tuning/FirstCaptureFit.h"

#include "capture/CaptureContext.h"
#include "state/GlobalSettings.h"

namespace padscope {

FirstCaptureFit::FirstCaptureFit(const GlobalSettings& settings) : start_(Of(settings)) {}

FirstCaptureFit::Ranges FirstCaptureFit::Of(const GlobalSettings& s) {
  return {s.EffectiveRangeMin(), s.EffectiveRangeMax(), s.EffectiveKeyRangeMax(),
          s.EffectiveZoom()};
}

FirstCaptureFit::State FirstCaptureFit::Poll(const CaptureContext& ctx, GlobalSettings& settings,
                                             const FitViews& views) {
  if (state_ != State::Waiting) {
    return state_;
  }
  if (!(Of(settings) == start_)) {
    state_ = State::Dropped;
    return state_;
  }
  const bool complete = ctx.runState.load() == kRunStopped;
  const std::optional<FrameSpan> span =
      FirstSecondFrames(ctx, settings.singleByteMode != 0, complete);
  if (span && FitToFrames(ctx, settings, span->first, span->last, views)) {
    state_ = State::Fitted;
  }
  return state_;
}

}  // namespace padscope
