#pragma once

// Fit to data: the display ranges that just contain the values the two scope
// views show in their visible time spans, with a small margin.

#include <cstdint>
#include <optional>

#include "viewlogic/ScopeGeometry.h"

namespace padscope {

class CaptureContext;
struct GlobalSettings;

// The extremes of the values drawn over the frames `walk` visits, for the
// channels of `channels` (bit k: channel k) that the frames carry. Frames that
// were not decoded are left out: they carry no values.
struct ValueSpan {
  int64_t min = 0;
  int64_t max = 0;
};
std::optional<ValueSpan> VisibleRawSpan(const CaptureContext& ctx, const FrameWalkParams& walk,
                                        uint16_t channels);
std::optional<ValueSpan> VisibleOutputSpan(const CaptureContext& ctx, const FrameWalkParams& walk,
                                           uint16_t channels, bool singleByteMode);

// The margin kept on either side: a twentieth of the span, at least 2.
int64_t FitMargin(const ValueSpan& span);

// The waveform view's range (rangeMin, rangeMax in display units, value +
// coordBase) around a span of raw values.
struct RawWindow {
  int32_t min = 0;
  int32_t max = 0;
};
RawWindow FitRawWindow(const ValueSpan& span, int32_t coordBase);

// The key scope's top value and zoom (pixels per unit, 1 to 18) for a span of
// output values in a view `height` pixels high: the largest zoom at which the
// span and its margins fit between y 10 and H - 30. A span too wide for zoom 1
// keeps its top in view.
struct OutputWindow {
  int32_t top = 0;
  int32_t zoom = 1;
};
OutputWindow FitOutputWindow(const ValueSpan& span, int height);

// The two views' sizes as they are on screen.
struct FitViews {
  int scopeWidth = 0;
  int keyScopeWidth = 0;
  int keyScopeHeight = 0;
  int32_t coordBase = 2000;
};

// Sets the waveform view's range (rangeMin, rangeMax) and the key scope's top
// value and zoom in `settings` to the shown channels' values in each view's
// visible time span (the key scope: the expanded ones), dropping any pending
// drag. A view with no value in sight keeps its range. Returns whether
// anything was fitted.
bool FitToData(const CaptureContext& ctx, GlobalSettings& settings, const FitViews& views);

// Fits both views to frames first..last of the buffer, whether in view or
// not: the waveform view to the shown channels' raw values, the key scope to
// the expanded ones' output values and their thresholds, so that each trace
// is seen against its threshold line. A view with no value there keeps its
// range. Returns whether anything was fitted.
bool FitToFrames(const CaptureContext& ctx, GlobalSettings& settings, int first, int last,
                 const FitViews& views);

// The frames of the first second the buffer holds: from its first decoded
// frame to the last one stamped within 1000 ms of it. Nothing while no
// frame is decoded, or while the buffer has not yet gone a second past it
// and `complete` is false (a capture that stopped earlier is complete).
struct FrameSpan {
  int first = 0;
  int last = 0;
};
std::optional<FrameSpan> FirstSecondFrames(const CaptureContext& ctx, bool singleByteMode,
                                           bool complete);

}  // namespace padscope
