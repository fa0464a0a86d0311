#include "tuning/CrosstalkGrid.h"

#include <algorithm>
#include <cmath>

namespace padscope {

namespace {

constexpr int kMinCell = 7;
constexpr int kMaxCell = 56;
constexpr uint32_t kNotMeasured = 0x505050;

struct Rgb {
  double r, g, b;
};

uint32_t Pack(const Rgb& c) {
  const auto byte = [](double v) {
    return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L));
  };
  return (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

}  // namespace

std::optional<std::pair<int, int>> CrosstalkGridLayout::Hit(int x, int y) const {
  const int n = static_cast<int>(channels.size());
  if (cell <= 0 || x < left || y < top) {
    return std::nullopt;
  }
  const int column = (x - left) / cell;
  const int row = (y - top) / cell;
  if (row >= n || column >= n) {
    return std::nullopt;
  }
  return std::make_pair(row, column);
}

CrosstalkGridLayout LayOutCrosstalkGrid(std::vector<int> channels, int width, int height,
                                        int labelWidth, int labelHeight, int legendHeight) {
  CrosstalkGridLayout layout;
  layout.channels = std::move(channels);
  const int n = static_cast<int>(layout.channels.size());
  layout.left = labelWidth;
  layout.top = labelHeight;
  if (n == 0) {
    return layout;
  }
  const int side = std::min(width - labelWidth, height - labelHeight - legendHeight) / n;
  layout.cell = side < kMinCell ? 0 : std::min(side, kMaxCell);
  return layout;
}

uint32_t CrosstalkColour(const CrosstalkCell& cell, double flagPercent) {
  if (!cell.measured) {
    return kNotMeasured;
  }
  const Rgb calm{30, 50, 90};
  const Rgb warn{240, 200, 40};
  const Rgb hot{220, 40, 30};
  if (!cell.percent) {
    return Pack(calm);
  }
  const double level = flagPercent > 0 ? std::abs(*cell.percent) / flagPercent : 2.0;
  if (level <= 1.0) {
    return Pack(Mix(calm, warn, level));
  }
  return Pack(Mix(warn, hot, std::min(level - 1.0, 1.0)));
}

std::string CrosstalkCellText(const CrosstalkCell& cell) {
  if (!cell.measured) {
    return "";
  }
  if (!cell.percent) {
    return "-";
  }
  return std::to_string(std::lround(*cell.percent));
}

}  // namespace padscope
