#include "tuning/FitToData.h"

#include <algorithm>
#include <limits>

#include "analysis/AnalysisFrame.h"
#include "capture/CaptureContext.h"
#include "state/GlobalSettings.h"
#include "tuning/BufferPositions.h"
#include "tuning/RangeAnalysis.h"
#include "viewlogic/KeyScopeGeometry.h"

namespace padscope {

namespace {

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The span of one value of each drawn channel over the visited frames.
template <typename ValueOf>
std::optional<ValueSpan> SpanOf(const CaptureContext& ctx, const FrameWalkParams& walk,
                                uint16_t channels, bool singleByteMode, ValueOf valueOf) {
  std::optional<ValueSpan> span;
  AnalysisFrame f;
  WalkScopeFrames(
      walk,
      [&](int i) {
        const SampleFrame* frame = ctx.FrameAt(i);
        return frame != nullptr ? frame->timestamp : 0u;
      },
      [&](int i, int) {
        if (!ReadAnalysisFrame(ctx, i, singleByteMode, f) || !f.decoded) {
          return;
        }
        for (int k = 0; k < f.channels; ++k) {
          if (((channels >> k) & 1) == 0) {
            continue;
          }
          const int64_t v = valueOf(f, k);
          if (!span) {
            span = ValueSpan{v, v};
          }
          span->min = std::min(span->min, v);
          span->max = std::max(span->max, v);
        }
      });
  return span;
}

}  // namespace

std::optional<ValueSpan> VisibleRawSpan(const CaptureContext& ctx, const FrameWalkParams& walk,
                                        uint16_t channels) {
  // The raw values do not depend on the value width.
  return SpanOf(ctx, walk, channels, true,
                [](const AnalysisFrame& f, int k) { return int64_t{f.raw[k]}; });
}

std::optional<ValueSpan> VisibleOutputSpan(const CaptureContext& ctx, const FrameWalkParams& walk,
                                           uint16_t channels, bool singleByteMode) {
  return SpanOf(ctx, walk, channels, singleByteMode,
                [](const AnalysisFrame& f, int k) { return int64_t{f.output[k]}; });
}

int64_t FitMargin(const ValueSpan& span) {
  return std::max<int64_t>(2, (span.max - span.min) / 20);
}

RawWindow FitRawWindow(const ValueSpan& span, int32_t coordBase) {
  const int64_t margin = FitMargin(span);
  return {Clamp32(span.min - margin + coordBase), Clamp32(span.max + margin + coordBase)};
}

OutputWindow FitOutputWindow(const ValueSpan& span, int height) {
  const int64_t margin = FitMargin(span);
  const int64_t top = span.max + margin;
  const int64_t units = top - (span.min - margin);
  const int64_t rows = height - 40;  // y 10 to H - 30
  const int64_t zoom = rows > 0 ? rows / std::max<int64_t>(units, 1) : 1;
  return {Clamp32(top),
          static_cast<int32_t>(std::clamp<int64_t>(zoom, keyscope::kZoomMin, keyscope::kZoomMax))};
}

bool FitToData(const CaptureContext& ctx, GlobalSettings& settings, const FitViews& views) {
  const uint16_t shown = ShownChannelMask(ctx, settings);
  const std::optional<ValueSpan> raw = VisibleRawSpan(
      ctx, ScopeWalkParams(ctx, settings.timeAxisMode == 1, views.scopeWidth), shown);
  if (raw) {
    const RawWindow w = FitRawWindow(*raw, views.coordBase);
    settings.rangeMin = w.min;
    settings.rangeMinDelta = 0;
    settings.rangeMax = w.max;
    settings.rangeMaxDelta = 0;
  }
  // The key scope plots the expanded channels up to its box strip.
  uint16_t expanded = 0;
  for (int k = 0; k < keyscope::kChannels; ++k) {
    if (((shown >> k) & 1) && settings.channel[static_cast<size_t>(k)].expanded != 0) {
      expanded |= static_cast<uint16_t>(1u << k);
    }
  }
  const int plotWidth = views.keyScopeWidth - keyscope::StripWidth(settings.ShownChannelCount());
  const std::optional<ValueSpan> output =
      VisibleOutputSpan(ctx, ScopeWalkParams(ctx, settings.timeAxisMode != 0, plotWidth), expanded,
                        settings.singleByteMode != 0);
  if (output) {
    const OutputWindow w = FitOutputWindow(*output, views.keyScopeHeight);
    settings.keyRangeMax = w.top;
    settings.keyRangeMaxDelta = 0;
    settings.zoom = w.zoom;
    settings.zoomDelta = 0;
  }
  return raw || output;
}

}  // namespace padscope
