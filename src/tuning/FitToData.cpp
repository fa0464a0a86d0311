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

// Widens `span` by v.
void Include(std::optional<ValueSpan>& span, int64_t v) {
  if (!span) {
    span = ValueSpan{v, v};
  }
  span->min = std::min(span->min, v);
  span->max = std::max(span->max, v);
}

// The shown channels the key scope plots (the expanded ones).
uint16_t ExpandedChannels(const GlobalSettings& settings, uint16_t shown) {
  uint16_t expanded = 0;
  for (int k = 0; k < keyscope::kChannels; ++k) {
    if (((shown >> k) & 1) && settings.channel[static_cast<size_t>(k)].expanded != 0) {
      expanded |= static_cast<uint16_t>(1u << k);
    }
  }
  return expanded;
}

void SetRawWindow(GlobalSettings& settings, const ValueSpan& span, int32_t coordBase) {
  const RawWindow w = FitRawWindow(span, coordBase);
  settings.rangeMin = w.min;
  settings.rangeMinDelta = 0;
  settings.rangeMax = w.max;
  settings.rangeMaxDelta = 0;
}

void SetOutputWindow(GlobalSettings& settings, const ValueSpan& span, int height) {
  const OutputWindow w = FitOutputWindow(span, height);
  settings.keyRangeMax = w.top;
  settings.keyRangeMaxDelta = 0;
  settings.zoom = w.zoom;
  settings.zoomDelta = 0;
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
    SetRawWindow(settings, *raw, views.coordBase);
  }
  // The key scope plots the expanded channels up to its box strip.
  const int plotWidth = views.keyScopeWidth - keyscope::StripWidth(settings.ShownChannelCount());
  const std::optional<ValueSpan> output =
      VisibleOutputSpan(ctx, ScopeWalkParams(ctx, settings.timeAxisMode != 0, plotWidth),
                        ExpandedChannels(settings, shown), settings.singleByteMode != 0);
  if (output) {
    SetOutputWindow(settings, *output, views.keyScopeHeight);
  }
  return raw || output;
}

bool FitToFrames(const CaptureContext& ctx, GlobalSettings& settings, int first, int last,
                 const FitViews& views) {
  const uint16_t shown = ShownChannelMask(ctx, settings);
  const uint16_t expanded = ExpandedChannels(settings, shown);
  std::optional<ValueSpan> raw;
  std::optional<ValueSpan> output;
  AnalysisFrame f;
  for (int i = first; i <= last; ++i) {
    if (!ReadAnalysisFrame(ctx, i, settings.singleByteMode != 0, f) || !f.decoded) {
      continue;
    }
    for (int k = 0; k < f.channels; ++k) {
      if ((shown >> k) & 1) {
        Include(raw, f.raw[static_cast<size_t>(k)]);
      }
      if ((expanded >> k) & 1) {
        Include(output, f.output[static_cast<size_t>(k)]);
      }
    }
  }
  if (raw) {
    SetRawWindow(settings, *raw, views.coordBase);
  }
  if (output) {
    for (int k = 0; k < keyscope::kChannels; ++k) {
      if ((expanded >> k) & 1) {
        Include(output, settings.channel[static_cast<size_t>(k)].EffectiveThreshold());
      }
    }
    SetOutputWindow(settings, *output, views.keyScopeHeight);
  }
  return raw || output;
}

std::optional<FrameSpan> FirstSecondFrames(const CaptureContext& ctx, bool singleByteMode,
                                           bool complete) {
  constexpr uint32_t kSecondMs = 1000;
  const int written = ctx.WriteIndex();
  AnalysisFrame f;
  std::optional<FrameSpan> span;
  uint32_t start = 0;
  for (int i = 0; i < written; ++i) {
    if (!ReadAnalysisFrame(ctx, i, singleByteMode, f) || !f.decoded) {
      continue;
    }
    if (!span) {
      span = FrameSpan{i, i};
      start = f.timestamp;
    } else if (f.timestamp - start > kSecondMs) {  // unsigned: a wrapped clock still counts
      return span;
    } else {
      span->last = i;
    }
  }
  return complete ? span : std::nullopt;
}

}  // namespace padscope
