#include "viewlogic/KeyScopeGeometry.h"

#include "viewlogic/ScopeGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace padscope::keyscope {

namespace {

// Far beyond the 2560 x 1440 surface, yet safe to add small offsets to.
constexpr int64_t kPixelLimit = 1'000'000;
constexpr int kAxisLabelLimit = 199999;

int ClampPixelD(double value) {
  if (std::isnan(value)) {
    return 0;
  }
  return static_cast<int>(
      std::clamp(value, -static_cast<double>(kPixelLimit), static_cast<double>(kPixelLimit)));
}

int32_t ClampInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

int SafeZoom(int32_t zoom) {
  return std::clamp<int32_t>(zoom, kZoomMin, kZoomMax);
}

int StripWidth(int shownChannels) {
  return 24 * std::clamp(shownChannels, 0, kChannels) + 8;
}

int ClampPixel(int64_t value) {
  return static_cast<int>(std::clamp(value, -kPixelLimit, kPixelLimit));
}

std::vector<AxisLabel> ValueAxisLabels(int height, int32_t topValue, int32_t zoom) {
  std::vector<AxisLabel> labels;
  const int z = SafeZoom(zoom);
  for (int o = 0; o <= height - 40 && o <= kAxisLabelLimit; o += 20) {
    labels.push_back({o + 4, ClampInt32(int64_t{topValue} - o / z)});
  }
  return labels;
}

// The key scope's time axis follows the same rule as the waveform view's; only
// its columns are counted from the plot's left edge.
std::string TimeLabel(int64_t ms) {
  return TimeTickLabel(ms);
}

std::vector<TimeTick> TimeAxisTicks(int width, float msPerPixel, bool timeMode) {
  std::vector<TimeTick> ticks;
  for (padscope::TimeTick& t : padscope::TimeAxisTicks(width, msPerPixel, timeMode)) {
    ticks.push_back({t.x - kScopeAxisX, std::move(t.label)});
  }
  return ticks;
}

Rect SwitchSquare(int channel, int height) {
  const int x0 = 56 + 41 * channel;
  return {x0, height - 62, x0 + 26, height - 36};
}

Point SwitchLabelPos(int channel, int height) {
  const int x0 = 56 + 41 * channel;
  // Two-digit numbers are wider; they start a little earlier.
  return {channel >= 10 ? x0 - 3 : x0, height - 78};
}

int SwitchRowRight(int channels, int labelWidth) {
  if (channels <= 0) {
    return 0;
  }
  const int last = std::min(channels, kChannels) - 1;
  return std::max(SwitchSquare(last, 0).right, SwitchLabelPos(last, 0).x + labelWidth);
}

Rect PlotRect(int width, int height, int stripWidth) {
  // The trace walk ends at W - S - 4, the threshold lines too; the time axis
  // is the row H - 30.
  return {kAxisX, 10, width - stripWidth - 3, height - 30};
}

Point OutputLabelPos(int channel, int width, int stripWidth) {
  constexpr int kFirst = 190;
  constexpr int kPitch = 105;
  const int right = std::min(width - 44, width - stripWidth - 4);
  const int perRow = std::max(1, (right - kFirst) / kPitch);
  const int c = std::max(channel, 0);
  return {kFirst + kPitch * (c % perRow), 10 + 20 * (c / perRow)};
}

int ValueRow(int32_t topValue, int32_t value, int32_t zoom) {
  return ClampPixel((int64_t{topValue} - value) * SafeZoom(zoom) + 10);
}

Rect ChannelBox(int shownIndex, int width, int height) {
  const int right = width - 24 * shownIndex - 8;
  return {right - 20, 30, right, height - 30};
}

Rect SliderRect(int width, int height, int stripWidth, int switchRowRight) {
  constexpr int kGap = 8;
  Rect r{width - stripWidth - 100, height - 70, width - stripWidth - 4, height - 38};
  if (switchRowRight > 0 && r.left < switchRowRight + kGap) {
    // Above the labels (whose tops are at H - 78), as tall as before.
    r.top = height - 82 - 32;
    r.bottom = height - 82;
  }
  return r;
}

std::array<Point, 3> HeaderTriangle(const Rect& b, bool expanded) {
  const int mid = (b.right - b.left) / 2 + b.left - 1;
  if (expanded) {
    return {Point{b.left + 3, b.top + 12}, Point{b.right - 5, b.top + 12}, Point{mid, b.top + 6}};
  }
  return {Point{b.left + 3, b.top + 6}, Point{b.right - 5, b.top + 6}, Point{mid, b.top + 12}};
}

namespace {

// trunc(R x (M - v) / (M - m) + 0.5) + Wb + t + 1, with R the bar's run.
std::optional<int> BarRow(const Rect& b, int32_t maximum, int32_t minimum, int32_t value) {
  if (maximum == minimum) {
    return std::nullopt;
  }
  const int64_t wb = int64_t{b.right} - b.left;
  const double run = static_cast<double>(int64_t{b.bottom} - b.top - wb - 2);
  const double span = static_cast<double>(int64_t{maximum} - minimum);
  const double offset =
      std::trunc(run * static_cast<double>(int64_t{maximum} - value) / span + 0.5);
  return ClampPixelD(offset + static_cast<double>(wb + b.top + 1));
}

}  // namespace

std::optional<int> BarThresholdY(const Rect& box, int32_t maximum, int32_t minimum,
                                 int32_t threshold) {
  return BarRow(box, maximum, minimum, threshold);
}

std::optional<int> BarTop(const Rect& box, int32_t maximum, int32_t minimum, int32_t value) {
  const std::optional<int> row = BarRow(box, maximum, minimum, value);
  if (!row) {
    return std::nullopt;
  }
  const int highest = box.top + (box.right - box.left) + 1;
  return std::min(std::max(*row, highest), box.bottom - 1);
}

SliderGeometry Slider(const Rect& r, int32_t zoom) {
  SliderGeometry s;
  const int64_t w = int64_t{r.right} - r.left;
  const int64_t h = int64_t{r.bottom} - r.top;
  if (2 * h >= w) {
    return s;
  }
  s.shown = true;
  s.lineY = r.top + static_cast<int>(std::trunc(static_cast<double>(h) * 0.75 + 0.5));
  s.knobX =
      r.left + static_cast<int>(std::trunc(SafeZoom(zoom) / 19.0 * static_cast<double>(w) + 0.5));
  s.knobTop = r.top + static_cast<int>((h + 1) / 2);
  s.knobHit = {s.knobX - 3, s.knobTop - 3, s.knobX + 3, r.bottom};
  return s;
}

namespace {

std::optional<Hit> HitBox(const HitLayout& l, int c, int x, int y) {
  const Rect& b = l.boxes[c];
  if (Rect{b.left, b.top, b.right, b.top + 17}.Contains(x, y)) {
    return Hit{kHitHeader, c};
  }
  if (!l.expanded[c]) {
    return std::nullopt;
  }
  if (Rect{b.left, b.top + 18, b.right, b.top + 22}.Contains(x, y)) {
    return Hit{kHitBarMax, c};
  }
  if (Rect{b.left, b.bottom - 2, b.right, b.bottom + 2}.Contains(x, y)) {
    return Hit{kHitBarMin, c};
  }
  if (const auto t = l.boxThresholdY[c];
      t && Rect{b.left, *t - 2, b.right, *t + 3}.Contains(x, y)) {
    return Hit{kHitBoxThreshold, c};
  }
  if (b.Contains(x, y)) {
    return Hit{kHitNone, c};
  }
  return std::nullopt;
}

}  // namespace

Hit HitTest(const HitLayout& l, int x, int y) {
  for (int c = 0; c < kChannels; ++c) {
    if (l.boxVisible[c]) {
      if (const auto hit = HitBox(l, c, x, y)) {
        return *hit;
      }
    }
  }
  if (l.slider.shown && l.slider.knobHit.Contains(x, y)) {
    return {kHitZoom, 0};
  }
  for (int c = 0; c < kChannels; ++c) {
    const int row = l.thresholdRows[c];
    if (l.lineShown[c] &&
        Rect{kAxisX, row - 4, l.width - l.stripWidth - 4, row + 4}.Contains(x, y)) {
      return {kHitLine, c};
    }
  }
  for (int k = 0; k < kChannels; ++k) {
    if (SwitchSquare(k, l.height).Contains(x, y)) {
      return {kHitSwitch, k};
    }
  }
  return {};
}

}  // namespace padscope::keyscope
