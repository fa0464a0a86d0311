#pragma once

// The waveform view's layout and ruler maths without a window: where the range
// handle and the eight buttons sit, the value grid, the time-axis ticks, the
// value-to-pixel mapping, the channel labels and the walk over the frames that
// the traces are drawn from. The widget only paints what these return.

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace padscope {

// A rectangle as the view stores it: right and bottom are exclusive.
struct ScopeRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const ScopeRect&) const = default;
};

inline constexpr int kScopeButtonCount = 8;
inline constexpr int kScopeAxisX = 40;         // x of the value axis
inline constexpr int kScopeTopMargin = 10;     // plot top
inline constexpr int kScopeBottomMargin = 20;  // time axis is H - 20
inline constexpr int kScopeRightMargin = 44;   // traces end at W - 44
inline constexpr int kScopeHandleInset = 4;

// What the view lays out whenever its size changes.
struct ScopeLayout {
  int width = 0;
  int height = 0;
  ScopeRect rangeHandle;
  std::array<ScopeRect, kScopeButtonCount> buttons{};
};

ScopeLayout LayOutScope(int width, int height);

// The button under (x, y), 0..7, or -1.
int HitScopeButton(const ScopeLayout& layout, int x, int y);

// Hover over the range handle: 1 over the maximum arrow (top 15 pixels), 2 over
// the minimum arrow (bottom 15 pixels), 0 elsewhere.
int HitRangeHandle(const ScopeRect& handle, int x, int y);

// The plotted value range (effective maximum and minimum, in display
// coordinates) and the plot height H - 30 it maps onto.
struct ScopeScale {
  int32_t max = 0;
  int32_t min = 0;
  int plotHeight = 0;

  // A scale exists only for a positive range and a positive plot height;
  // without one nothing value-dependent is drawn.
  bool Valid() const { return max > min && plotHeight > 0; }
};

// Value grid: nine labels, eight dotted lines (row 0 is the time axis itself).
struct GridRow {
  int labelY = 0;
  int lineY = 0;  // only for rows 1..8
  int64_t value = 0;
};
std::vector<GridRow> ValueGridRows(const ScopeScale& scale, int height, int32_t coordBase);

// y of the watch line for an interval bound, or nothing when the bound lies
// below the plotted minimum or there is no scale.
std::optional<int> WatchLineY(const ScopeScale& scale, int height, int32_t coordBase,
                              int32_t bound);

// One time-axis tick: the tick is drawn at x and its label starts at x - 7.
struct TimeTick {
  int x = 0;
  std::string label;
};
std::vector<TimeTick> TimeAxisTicks(int width, double msPerPixel, bool timeMode);

// "250ms", "1.5s", "2s".
std::string TimeTickLabel(int64_t ms);

// Pixel y (surface coordinates, the 10-pixel top margin included) of a signed
// raw value, or nothing without a scale. Far-off values are held to a range
// the painter copes with.
std::optional<int> ValueToY(const ScopeScale& scale, int32_t coordBase, int64_t value);

// Where channel i's label is written: row 1 at y 10 while it fits left of the
// range handle, else row 2 at y 30 from x 170 on.
struct LabelPos {
  int x = 0;
  int y = 0;
};
LabelPos ChannelLabelPos(int channel, int width);

// "offset: 250ms" / "offset: 1.5s" while the plot is panned into the past,
// else nothing. liveEndTime is 0 while not panned.
std::optional<std::string> PanOffsetText(uint32_t liveEndTime, uint32_t lastSampleTime);

// The value the cross-hair shows at pointer y, or nothing without a scale.
std::optional<int64_t> CrossHairValue(const ScopeScale& scale, int32_t coordBase, int mouseY);

// The out-of-interval text when value lies outside [min, max], else nothing.
std::optional<std::string> WatchMessage(int channel, int32_t value, int32_t min, int32_t max,
                                        int32_t channel9Value);

// Time zoom steps of the milliseconds-per-pixel scale. Finer: -5 above 5,
// else halved down to 0.125. Coarser: +1 from 1 on, else doubled up to 1,
// capped at 800. A scale that is not positive (or not a number) becomes 1.
float TimeFiner(float msPerPixel);
float TimeCoarser(float msPerPixel);

// Panning by dragging: the plotted end time moves 10 ms per pixel of dx. The
// first pan of a run (liveEndTime 0) saves the live end time and is taken as
// it is; later ones stay between the saved live time and 1 s after the
// earliest frame. Unsigned arithmetic: the millisecond clock wraps.
struct PanResult {
  uint32_t endTime = 0;
  uint32_t liveEndTime = 0;
};
PanResult PanEndTime(uint32_t lastSampleTime, int64_t dx, uint32_t liveEndTime,
                     uint32_t earliestTime);

// The frame walk: from the newest frame back, skipping frames stamped after the
// end time and stopping once x passes W - 44. visit(index, x) is called for
// every frame to draw; timeOf(index) gives its time stamp. A visit that
// returns a bool ends the walk early by returning false.
struct FrameWalkParams {
  int frameCount = 0;   // frames 0 .. frameCount-1 are filled
  int64_t endTime = 0;  // newest-frame time + display shift
  double msPerPixel = 10.0;
  bool timeMode = true;
  int width = 0;
};

template <typename TimeOf, typename Visit>
void WalkScopeFrames(const FrameWalkParams& p, TimeOf timeOf, Visit visit) {
  const int lastX = p.width - kScopeRightMargin;
  // A non-positive or absurd scale would turn every frame into column 0.
  if (p.timeMode && !(std::isfinite(p.msPerPixel) && p.msPerPixel > 0)) {
    return;
  }
  int n = 0;
  for (int index = p.frameCount - 1; index >= 0; --index) {
    const int64_t d = p.endTime - static_cast<int64_t>(timeOf(index));
    if (d < 0) {
      continue;
    }
    int x = 0;
    if (p.timeMode) {
      const double xd = std::trunc(static_cast<double>(d) / p.msPerPixel);
      if (xd > lastX) {
        return;
      }
      x = static_cast<int>(xd);
    } else {
      x = n++;
    }
    if (x > lastX) {
      return;
    }
    if constexpr (std::is_same_v<decltype(visit(index, x)), bool>) {
      if (!visit(index, x)) {
        return;
      }
    } else {
      visit(index, x);
    }
  }
}

}  // namespace padscope
