#pragma once

// The crosstalk map's geometry and colours: a square grid with one row per
// touched key and one column per affected key, key names along the top and
// the left, a colour scale below.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Analysis.h"

namespace padscope {

struct GridRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool Contains(int x, int y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
};

struct CrosstalkGridLayout {
  std::vector<int> channels;  // the keys of the rows and the columns, in order
  int cell = 0;               // side of a cell in pixels; 0: nothing fits
  int left = 0;               // top-left corner of the first cell
  int top = 0;

  GridRect Cell(int row, int column) const {
    return {left + column * cell, top + row * cell, cell, cell};
  }
  // The row and column under (x, y), if any.
  std::optional<std::pair<int, int>> Hit(int x, int y) const;
};

// Lays the grid out in a width x height area, leaving `labelWidth` on the left
// and `labelHeight` above for the key names and `legendHeight` below for the
// scale. Cells are square, 7 to 56 pixels (small enough for sixteen keys in a low dock).
CrosstalkGridLayout LayOutCrosstalkGrid(std::vector<int> channels, int width, int height,
                                        int labelWidth, int labelHeight, int legendHeight);

// The fill of a cell, 0xRRGGBB: a cool dark blue for no shift, through yellow
// at the flag level, to red at twice that; grey for a pair not measured.
uint32_t CrosstalkColour(const CrosstalkCell& cell, double flagPercent);

// The value written in a cell: the share in whole percent, "-" where i's signal
// is unknown, "" where the pair was not measured.
std::string CrosstalkCellText(const CrosstalkCell& cell);

}  // namespace padscope
