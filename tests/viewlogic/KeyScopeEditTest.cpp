#include "viewlogic/KeyScopeEdit.h"

#include <gtest/gtest.h>

#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "support/ChannelLabel.h"

namespace padscope::keyscope {
namespace {

class KeyScopeEditTest : public ::testing::Test {
 protected:
  GlobalSettings s;
  FrameFields f;
};

TEST_F(KeyScopeEditTest, StatusTextsAndCursorsPerCode) {
  ChannelLabel label;
  label.SetPrefix("TK");
  label.SetBase(1);
  ChannelConfig& c = s.channel[3];
  c.secondMin = 5;
  c.secondMax = 200;
  c.secondMaxDelta = 10;
  c.threshold = 40;
  c.baseline = 77;
  s.zoom = 4;
  EXPECT_EQ(HoverStatusText(0, 3, s, label), "TK4 (5 - 210) Threhold: 40 BL: 77");
  EXPECT_EQ(HoverStatusText(1, 3, s, label), "Switch TK4.");
  EXPECT_EQ(HoverStatusText(3, 3, s, label), "Drag to adjust maximum value of TK4. Current: 210");
  EXPECT_EQ(HoverStatusText(5, 3, s, label), "Drag to adjust minimum value of CH3. Current: 5");
  EXPECT_EQ(HoverStatusText(7, 3, s, label), "Drag to adjust threhold of CH3. Current: 40.");
  EXPECT_EQ(HoverStatusText(9, 3, s, label), HoverStatusText(7, 3, s, label));
  EXPECT_EQ(HoverStatusText(10, 0, s, label), "Ajust zoom size. Current: 4");
  EXPECT_EQ(HoverStatusText(11, 3, s, label), "Switch CH3.");
  EXPECT_EQ(HoverStatusText(1, 16, s, label), "");
  EXPECT_EQ(DragStatusText(3, s), "CH3 (5 - 210) Threhold: 40 BL: 77");
  // A prefix with format characters is text, never a format.
  label.SetPrefix("%s%n");
  EXPECT_EQ(HoverStatusText(1, 0, s, label), "Switch %s%n1.");

  EXPECT_EQ(CursorFor(0), CursorShape::kArrow);
  EXPECT_EQ(CursorFor(5), CursorShape::kSizeVertical);
}

TEST_F(KeyScopeEditTest, ValueDragScalesWithPlotAndIsSafeOnTinyViews) {
  // H 441: 20 rows over 400 pixels; zoom 1 is one unit per pixel.
  EXPECT_EQ(ValueDragDelta(300, 260, 441, 1), 40);
  EXPECT_EQ(ValueDragDelta(300, 340, 441, 1), -39);  // trunc(x + 0.5) rounds toward zero below
  EXPECT_EQ(ValueDragDelta(300, 260, 441, 4), 10);
  EXPECT_EQ(ValueDragDelta(300, 260, 441, 0), 40);
  EXPECT_EQ(ValueDragDelta(300, 260, 41, 1), 0);
  EXPECT_EQ(ValueDragDelta(300, 260, -5, 1), 0);
  EXPECT_EQ(ValueDragDelta(INT32_MAX, INT32_MIN, 1440, 1), INT32_MAX);
}

TEST_F(KeyScopeEditTest, ZoomDragStaysWithinOneToEighteen) {
  const Rect slider{620, 330, 716, 362};
  EXPECT_EQ(ZoomDragDelta(600, 648, slider, 8), 10);
  EXPECT_EQ(ZoomDragDelta(600, 648, slider, 9), 0);  // would give 19
  // Leftward drags round toward zero: -10 + 0.5 truncates to -9.
  EXPECT_EQ(ZoomDragDelta(600, 552, slider, 9), 0);  // would give 0
  EXPECT_EQ(ZoomDragDelta(600, 552, slider, 10), -9);
  EXPECT_EQ(ZoomDragDelta(600, 700, Rect{5, 0, 5, 10}, 3), 0);
}

TEST_F(KeyScopeEditTest, ThresholdReleaseSharesOutsideParameterModeOne) {
  s.parameterMode = 2;
  SetValueDelta(s, kHitLine, 4, 12);
  EXPECT_EQ(s.channel[4].EffectiveThreshold(), 52);
  CommitRelease(s, f, kHitLine, 4, 4);
  for (const ChannelConfig& c : s.channel) {
    EXPECT_EQ(c.threshold, 52);
    EXPECT_EQ(c.thresholdDelta, 0);
  }
  EXPECT_EQ(s.debounceTime, 52);

  s.parameterMode = 1;
  s.debounceTime = 4;
  SetValueDelta(s, kHitBoxThreshold, 2, -2);
  CommitRelease(s, f, kHitBoxThreshold, 2, 2);
  EXPECT_EQ(s.channel[2].threshold, 50);
  EXPECT_EQ(s.channel[3].threshold, 52);
  EXPECT_EQ(s.debounceTime, 4);
}

TEST_F(KeyScopeEditTest, RangeZoomAndTopValueCommits) {
  SetValueDelta(s, kHitBarMax, 1, -55);
  SetValueDelta(s, kHitBarMin, 1, 7);
  SetValueDelta(s, kHitBarMax, 16, 99);  // out of range: ignored
  CommitRelease(s, f, kHitBarMax, 1, 1);
  EXPECT_EQ(s.channel[1].secondMax, 200);
  EXPECT_EQ(s.channel[1].secondMin, 0);  // only the hovered code commits
  CommitRelease(s, f, kHitBarMin, 1, 1);
  EXPECT_EQ(s.channel[1].secondMin, 7);

  s.zoomDelta = 3;
  CommitRelease(s, f, kHitZoom, 0, -1);
  EXPECT_EQ(s.zoom, 4);
  EXPECT_EQ(s.zoomDelta, 0);

  s.keyRangeMaxDelta = -30;
  CommitRelease(s, f, kHitNone, -1, -1);
  EXPECT_EQ(s.keyRangeMax, 70);
  EXPECT_EQ(s.keyRangeMaxDelta, 0);
  s.keyRangeMax = INT32_MAX;
  s.keyRangeMaxDelta = 10;
  CommitRelease(s, f, kHitNone, -1, -1);
  EXPECT_EQ(s.keyRangeMax, INT32_MAX);
}

TEST_F(KeyScopeEditTest, ClicksToggleBoxesAndSwitchChannels) {
  CommitRelease(s, f, kHitHeader, 2, 2);
  EXPECT_EQ(s.channel[2].expanded, 0);
  CommitRelease(s, f, kHitHeader, 2, 2);
  EXPECT_EQ(s.channel[2].expanded, 1);
  CommitRelease(s, f, kHitHeader, 2, -1);  // pressed elsewhere: nothing
  EXPECT_EQ(s.channel[2].expanded, 1);

  f.coordChannel = 7;
  s.channel[5].expanded = 0;
  CommitRelease(s, f, kHitSwitch, 5, 5);  // hidden -> shown, expanded, selected
  EXPECT_EQ(s.channel[5].flags, 0x80);
  EXPECT_EQ(s.channel[5].expanded, 1);
  EXPECT_EQ(f.coordAux, 7);
  EXPECT_EQ(f.coordChannel, 5);
  CommitRelease(s, f, kHitSwitch, 5, 5);  // shown -> hidden, selection moves down
  EXPECT_EQ(s.channel[5].flags, 0);
  EXPECT_EQ(f.coordChannel, 4);
  ShowChannel(s.channel[0]);
  CommitRelease(s, f, kHitSwitch, 0, 0);
  EXPECT_EQ(f.coordChannel, 0);
}

}  // namespace
}  // namespace padscope::keyscope
