#pragma once

// Layout of the key scope view: value and time axes, switch squares, output
// labels, channel boxes with their bars, the zoom slider and the hit test.
// Pure arithmetic on pixel positions, so every rule is tested without widgets.
// All functions are safe for any input: a zoom out of 1..18, an empty or
// negative area, a bar whose maximum equals its minimum.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace padscope::keyscope {

inline constexpr int kChannels = 16;
inline constexpr int kAxisX = 40;
inline constexpr int kZoomMin = 1;
inline constexpr int kZoomMax = 18;

// A rectangle that excludes its right and bottom edges.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect&) const = default;
};

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// The zoom used for drawing: a value from a damaged settings file is pulled
// into 1..18 so that nothing divides by zero or flips the plot.
int SafeZoom(int32_t zoom);

// Width of the box strip at the right edge: 24 per shown channel plus 8.
int StripWidth(int shownChannels);

// Converts a pixel position computed in 64 bits into a drawable int; values
// far outside any surface are pinned, never wrapped.
int ClampPixel(int64_t value);

// Value axis: the label value and its text y for every 20-pixel row.
struct AxisLabel {
  int y = 0;
  int32_t value = 0;
};
std::vector<AxisLabel> ValueAxisLabels(int height, int32_t topValue, int32_t zoom);

// Time axis: tick columns j (drawn at j + 40) with their label texts.
struct TimeTick {
  int column = 0;
  std::string label;
};
std::vector<TimeTick> TimeAxisTicks(int width, float msPerPixel, bool timeMode);
std::string TimeLabel(int64_t ms);

// Switch square k and where its label is written.
Rect SwitchSquare(int channel, int height);
Point SwitchLabelPos(int channel, int height);

// The right end (exclusive) of the switch row of `channels` squares, its
// labels `labelWidth` wide included; 0 for none.
int SwitchRowRight(int channels, int labelWidth);

// The plot: traces, threshold lines and the newest point are drawn only
// here, between the value axis, the title row, the time axis and the box
// strip.
Rect PlotRect(int width, int height, int stripWidth);

// Where the label "CH%d: %d" of channel i goes: in 105-pixel slots from x 190,
// rows of them 20 pixels apart from y 10, each row ending where the plot
// does (at W - 44, or earlier at the box strip) so no label reaches the strip.
Point OutputLabelPos(int channel, int width, int stripWidth = StripWidth(0));

// y of an output value and of a threshold line: (U - v) x Z + 10.
int ValueRow(int32_t topValue, int32_t value, int32_t zoom);

// Box of the k-th shown channel and the zoom slider rectangle.
Rect ChannelBox(int shownIndex, int width, int height);
// The slider sits left of the box strip beside the switch row; where the
// row reaches under it (a narrow pane with many channels), above the row's
// labels instead.
Rect SliderRect(int width, int height, int stripWidth, int switchRowRight = 0);

// Header triangle of a box: up when expanded, down when collapsed.
std::array<Point, 3> HeaderTriangle(const Rect& box, bool expanded);

// Bar rows inside an expanded box. Both are empty when the bar maximum equals
// the minimum: such a channel has no scale, and no bar or mark is drawn.
std::optional<int> BarThresholdY(const Rect& box, int32_t maximum, int32_t minimum,
                                 int32_t threshold);
std::optional<int> BarTop(const Rect& box, int32_t maximum, int32_t minimum, int32_t value);

struct SliderGeometry {
  bool shown = false;  // false when narrower than twice its height
  int lineY = 0;
  int knobX = 0;
  int knobTop = 0;
  Rect knobHit;
};
SliderGeometry Slider(const Rect& rect, int32_t zoom);

// What the hit test needs, as last painted.
struct HitLayout {
  int width = 0;
  int height = 0;
  int stripWidth = 8;
  std::array<Rect, kChannels> boxes{};
  std::array<bool, kChannels> boxVisible{};
  std::array<std::optional<int>, kChannels> boxThresholdY{};
  std::array<bool, kChannels> expanded{};
  std::array<bool, kChannels> lineShown{};  // shown and expanded: a threshold line is drawn
  std::array<int, kChannels> thresholdRows{};
  SliderGeometry slider;
};

// Hover codes.
enum HitCode {
  kHitNone = 0,
  kHitHeader = 1,
  kHitBarMax = 3,
  kHitBarMin = 5,
  kHitBoxThreshold = 7,
  kHitLine = 9,
  kHitZoom = 10,
  kHitSwitch = 11
};

struct Hit {
  int code = kHitNone;
  int channel = -1;
  bool operator==(const Hit&) const = default;
};

// First match wins: boxes, zoom knob, threshold lines, switch squares.
Hit HitTest(const HitLayout& layout, int x, int y);

}  // namespace padscope::keyscope
