// Deleting the selected message-log line, and the chart list's place.
#include <gtest/gtest.h>

#include "viewlogic/MessageLogLogic.h"

namespace padscope {
namespace {

TEST(MessageLogLogicTest, DeletingKeepsASensibleSelection) {
  struct Case {
    int count, selection, deleteIndex, newSelection;
  };
  for (Case c : {
           Case{5, 2, 2, 2},     // a middle line: the next one moves under the selection
           Case{5, 4, 4, 3},     // the last line: the new last one is selected
           Case{1, 0, 0, -1},    // the only line: empty list, no selection
           Case{0, 0, -1, 0},    // empty list: nothing happens
           Case{3, -1, -1, -1},  // no selection: nothing is removed
           Case{3, 3, -1, 3},    // a stale selection past the end removes nothing
       }) {
    const LineDeletion d = DeleteSelectedLine(c.count, c.selection);
    EXPECT_EQ(d.deleteIndex, c.deleteIndex) << c.count << "/" << c.selection;
    EXPECT_EQ(d.newSelection, c.newSelection) << c.count << "/" << c.selection;
  }
}

TEST(MessageLogLogicTest, ChartListFillsThePaneBelowThePrintButtons) {
  EXPECT_EQ(ChartListRect(300, 200), (PaneRect{2, 80, 296, 118}));
  // A pane squeezed by the splitter gives empty, never negative, sizes.
  EXPECT_EQ(ChartListRect(3, 50), (PaneRect{2, 80, 0, 0}));
}

}  // namespace
}  // namespace padscope
