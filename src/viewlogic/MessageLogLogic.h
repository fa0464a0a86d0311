#pragma once

// Rules of the message log view (the list of log lines and its delete button)
// that need no window.

namespace padscope {

// What deleting the selected line does to a list of `count` lines.
struct LineDeletion {
  int deleteIndex = -1;   // the line to remove, -1 for none
  int newSelection = -1;  // the line to select afterwards, -1 for none
};

// The selected line is removed and the selection stays on the same index, or
// moves to the new last line when the last line was removed. An empty list, no
// selection (-1) or a selection outside the list removes nothing and leaves the
// selection as it was. Any thread (pure).
LineDeletion DeleteSelectedLine(int count, int selection);

// Geometry of the two left-column panes, in pixels of a W x H pane. Sizes are
// never negative.
struct PaneRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PaneRect&) const = default;
};

// Message log pane: the delete button spans the top, the list fills the rest.
PaneRect MessageLogButtonRect(int paneWidth, int paneHeight);
PaneRect MessageLogListRect(int paneWidth, int paneHeight);
// The lowest message log pane whose list still shows `lines` lines of
// `lineHeight` pixels besides `listChrome` pixels of frame and scroll bar,
// so that a short window (or the Tuning dock) never squeezes the log away.
int MessageLogMinimumHeight(int lines, int lineHeight, int listChrome);
// Threshold list pane: the chart list below the two print buttons.
PaneRect ChartListRect(int paneWidth, int paneHeight);

}  // namespace padscope
