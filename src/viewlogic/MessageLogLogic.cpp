#include "viewlogic/MessageLogLogic.h"

#include <algorithm>

namespace padscope {

namespace {

PaneRect Inset(int x, int y, int width, int height) {
  return PaneRect{x, y, std::max(width, 0), std::max(height, 0)};
}

}  // namespace

LineDeletion DeleteSelectedLine(int count, int selection) {
  if (count <= 0 || selection < 0 || selection >= count) {
    return LineDeletion{-1, selection};
  }
  const int remaining = count - 1;
  return LineDeletion{selection, selection >= remaining ? selection - 1 : selection};
}

PaneRect MessageLogButtonRect(int paneWidth, int /*paneHeight*/) {
  return Inset(2, 2, paneWidth - 4, 18);
}

PaneRect MessageLogListRect(int paneWidth, int paneHeight) {
  return Inset(2, 30, paneWidth - 4, paneHeight - 32);
}

int MessageLogMinimumHeight(int lines, int lineHeight, int listChrome) {
  // The list's top and bottom insets of MessageLogListRect around it.
  return 30 + 2 + std::max(listChrome, 0) + std::max(lines, 0) * std::max(lineHeight, 0);
}

PaneRect ChartListRect(int paneWidth, int paneHeight) {
  return Inset(2, 80, paneWidth - 4, paneHeight - 82);
}

}  // namespace padscope
