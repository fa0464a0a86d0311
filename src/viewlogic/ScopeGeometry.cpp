#include "viewlogic/ScopeGeometry.h"

#include <algorithm>
#include <cstdio>

namespace padscope {

namespace {

// Pixel coordinates are held to this span: a value far off the plotted range
// must not overflow an int nor reach the painter as an absurd coordinate.
constexpr double kPixelLimit = 100000.0;

int ClampPixel(double v) {
  return static_cast<int>(std::clamp(std::trunc(v), -kPixelLimit, kPixelLimit));
}

int64_t Span(const ScopeScale& s) {
  return static_cast<int64_t>(s.max) - s.min;
}

// trunc(span x 0.125 + 0.5): one eighth of the range, rounded.
int64_t EighthStep(int64_t span) {
  return static_cast<int64_t>(static_cast<double>(span) * 0.125 + 0.5);
}

std::string Format(const char* format, auto... args) {
  char text[128];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

}  // namespace

ScopeLayout LayOutScope(int width, int height) {
  ScopeLayout l;
  l.width = width;
  l.height = height;
  const int top = static_cast<int>((height - 60) * 0.5);
  l.rangeHandle = {width - 44, top, width - 14, top + 40};
  const int a = (width - 44) / 3;
  for (int k = 0; k < kScopeButtonCount; ++k) {
    l.buttons[k] = {a + 60 * k, height - 40, a + 60 * k + 20, height - 20};
  }
  return l;
}

int HitScopeButton(const ScopeLayout& layout, int x, int y) {
  for (int k = 0; k < kScopeButtonCount; ++k) {
    if (layout.buttons[k].Contains(x, y)) {
      return k;
    }
  }
  return -1;
}

int HitRangeHandle(const ScopeRect& handle, int x, int y) {
  if (!handle.Contains(x, y)) {
    return 0;
  }
  if (y - handle.top < 15) {
    return 1;
  }
  if (y - handle.top > handle.bottom - handle.top - 15) {
    return 2;
  }
  return 0;
}

std::vector<GridRow> ValueGridRows(const ScopeScale& scale, int height, int32_t coordBase) {
  std::vector<GridRow> rows;
  if (!scale.Valid()) {
    return rows;
  }
  const int64_t valueStep = EighthStep(Span(scale));
  const int rowStep = static_cast<int>(scale.plotHeight * 0.125 + 0.5);
  for (int i = 0; i <= 8; ++i) {
    rows.push_back({height - 26 - i * rowStep, height - kScopeBottomMargin - i * rowStep,
                    scale.min + i * valueStep - coordBase});
  }
  return rows;
}

std::optional<int> WatchLineY(const ScopeScale& scale, int height, int32_t coordBase,
                              int32_t bound) {
  const int64_t low = static_cast<int64_t>(scale.min) - coordBase;
  if (!scale.Valid() || bound < low) {
    return std::nullopt;
  }
  const int64_t p = scale.plotHeight * (bound - low) / Span(scale);
  return ClampPixel(static_cast<double>(height - kScopeBottomMargin - p));
}

std::string TimeTickLabel(int64_t ms) {
  if (ms < 1000) {
    return Format("%lldms", static_cast<long long>(ms));
  }
  if (ms % 1000 != 0) {
    return Format("%.1fs", static_cast<double>(ms) * 0.001);
  }
  return Format("%llds", static_cast<long long>(ms / 1000));
}

std::vector<TimeTick> TimeAxisTicks(int width, double msPerPixel, bool timeMode) {
  std::vector<TimeTick> ticks;
  int64_t spacing = 50;
  int64_t next = 0;
  double s = 1.0;
  if (timeMode) {
    // A broken scale gives no ticks rather than one per column or an overflow.
    if (!std::isfinite(msPerPixel) || msPerPixel <= 0 || msPerPixel > 1e6) {
      return ticks;
    }
    spacing = static_cast<int64_t>(msPerPixel * 100 + 0.5);
    if (spacing > 1000) {
      spacing -= spacing % 1000;
    }
    if (spacing <= 0) {
      return ticks;
    }
    next = spacing;
    s = msPerPixel;
  }
  for (int j = 0; j <= width - 45; ++j) {
    if (j * s >= static_cast<double>(next)) {
      ticks.push_back({j + kScopeAxisX, timeMode ? TimeTickLabel(next) : Format("%d", j)});
      next += spacing;
    }
  }
  return ticks;
}

std::optional<int> ValueToY(const ScopeScale& scale, int32_t coordBase, int64_t value) {
  if (!scale.Valid()) {
    return std::nullopt;
  }
  const double pixelsPerUnit = scale.plotHeight / static_cast<double>(Span(scale));
  const double max = scale.max;
  const double shown = static_cast<double>(value) + coordBase;
  double y = 0;
  if (scale.max != 0) {
    const double m = std::trunc(max * pixelsPerUnit + 0.5);
    y = (max - shown) / max * m + 0.5;
  } else {
    // The same mapping without dividing by a zero maximum.
    y = (max - shown) * pixelsPerUnit + 0.5;
  }
  return ClampPixel(y) + kScopeTopMargin;
}

LabelPos ChannelLabelPos(int channel, int width) {
  const int limit = width - kScopeRightMargin;
  const int x = 170 + 105 * channel;
  if (x + 105 <= limit) {
    return {x, 10};
  }
  int firstOverflow = 0;
  while (170 + 105 * firstOverflow + 105 <= limit) {
    ++firstOverflow;
  }
  return {170 + 105 * (channel - firstOverflow), 30};
}

std::optional<std::string> PanOffsetText(uint32_t liveEndTime, uint32_t lastSampleTime) {
  // Signed: while not panned the live time is 0, which is no offset.
  const int64_t diff = static_cast<int64_t>(liveEndTime) - lastSampleTime;
  if (liveEndTime == lastSampleTime || diff <= 0) {
    return std::nullopt;
  }
  if (diff <= 1000) {
    return Format("offset: %lldms", static_cast<long long>(diff));
  }
  return Format("offset: %.1fs", static_cast<double>(diff) * 0.001);
}

std::optional<int64_t> CrossHairValue(const ScopeScale& scale, int32_t coordBase, int mouseY) {
  if (!scale.Valid()) {
    return std::nullopt;
  }
  const int64_t full = 8 * EighthStep(Span(scale));
  return scale.min + full - (static_cast<int64_t>(mouseY) - 10) * full / scale.plotHeight -
         coordBase;
}

std::optional<std::string> WatchMessage(int channel, int32_t value, int32_t min, int32_t max,
                                        int32_t channel9Value) {
  if (value >= min && value <= max) {
    return std::nullopt;
  }
  return Format("TK%d : %d 溢出（%d - %d) ,  TK9:%d", channel, value, min, max, channel9Value);
}

float TimeFiner(float msPerPixel) {
  if (msPerPixel > 5.0f) {
    return msPerPixel - 5.0f;
  }
  if (msPerPixel > 0.0f) {
    return std::max(msPerPixel * 0.5f, 0.125f);
  }
  return 1.0f;
}

float TimeCoarser(float msPerPixel) {
  float next = 1.0f;
  if (msPerPixel >= 1.0f) {
    next = msPerPixel + 1.0f;
  } else if (msPerPixel > 0.0f && msPerPixel * 2.0f < 1.0f) {
    // Doubling a negative scale would run away from the valid range.
    next = msPerPixel * 2.0f;
  }
  return std::min(next, 800.0f);
}

PanResult PanEndTime(uint32_t lastSampleTime, int64_t dx, uint32_t liveEndTime,
                     uint32_t earliestTime) {
  uint32_t candidate = lastSampleTime + static_cast<uint32_t>(dx * 10);
  if (liveEndTime == 0) {
    return {candidate, lastSampleTime};
  }
  candidate = std::min(candidate, liveEndTime);
  candidate = std::max(candidate, earliestTime + 1000u);
  return {candidate, liveEndTime};
}

}  // namespace padscope
