#include "viewlogic/KeyScopeGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace padscope::keyscope {
namespace {

std::vector<int32_t> Values(const std::vector<AxisLabel>& labels) {
  std::vector<int32_t> v;
  for (const AxisLabel& l : labels) {
    v.push_back(l.value);
  }
  return v;
}

TEST(KeyScopeGeometryTest, ValueAxisUsesZoomAndSurvivesDamagedZoom) {
  const auto labels = ValueAxisLabels(100, 100, 1);
  EXPECT_EQ(Values(labels), (std::vector<int32_t>{100, 80, 60, 40}));
  EXPECT_EQ(labels[1].y, 24);
  EXPECT_EQ(Values(ValueAxisLabels(100, 100, 18)), (std::vector<int32_t>{100, 99, 98, 97}));
  // A zoom of 0 or far above 18 from a damaged file draws as 1 or 18.
  EXPECT_EQ(Values(ValueAxisLabels(100, 100, 0)), Values(ValueAxisLabels(100, 100, 1)));
  EXPECT_EQ(Values(ValueAxisLabels(100, 100, -7)), Values(ValueAxisLabels(100, 100, 1)));
  EXPECT_EQ(Values(ValueAxisLabels(100, 100, 5000)), Values(ValueAxisLabels(100, 100, 18)));
  EXPECT_TRUE(ValueAxisLabels(39, 100, 1).empty());
  EXPECT_EQ(ValueAxisLabels(100, INT32_MIN, 1).back().value, INT32_MIN);
}

TEST(KeyScopeGeometryTest, RowsOfExtremeValuesArePinnedNotWrapped) {
  EXPECT_EQ(ValueRow(100, 40, 2), 130);
  EXPECT_GT(ValueRow(INT32_MAX, INT32_MIN, 18), 100000);
  EXPECT_LT(ValueRow(INT32_MIN, INT32_MAX, 18), -100000);
  EXPECT_EQ(ValueRow(100, 40, 0), ValueRow(100, 40, 1));
}

TEST(KeyScopeGeometryTest, TimeAxisTicksAndLabels) {
  std::vector<int> columns;
  std::vector<std::string> labels;
  for (const TimeTick& t : TimeAxisTicks(200, 10.0f, false)) {
    columns.push_back(t.column);
    labels.push_back(t.label);
  }
  EXPECT_EQ(columns, (std::vector<int>{0, 50, 100, 150}));
  EXPECT_EQ(labels, (std::vector<std::string>{"0", "50", "100", "150"}));

  const auto halfMs = TimeAxisTicks(300, 0.5f, true);
  ASSERT_EQ(halfMs.size(), 2u);
  EXPECT_EQ(halfMs[0].column, 100);
  EXPECT_EQ(halfMs[0].label, "50ms");
  EXPECT_EQ(halfMs[1].label, "100ms");
  // Spacings above a second are whole seconds: 25 ms/px gives 2 s, not 2.5 s.
  const auto coarse = TimeAxisTicks(300, 25.0f, true);
  ASSERT_EQ(coarse.size(), 3u);
  EXPECT_EQ(coarse[0].column, 80);
  EXPECT_EQ(coarse[1].label, "4s");

  EXPECT_EQ(TimeLabel(1500), "1.5s");
  EXPECT_EQ(TimeLabel(3000), "3s");
  EXPECT_TRUE(TimeAxisTicks(300, 0.0f, true).empty());
  EXPECT_TRUE(TimeAxisTicks(300, std::nanf(""), true).empty());
  EXPECT_TRUE(TimeAxisTicks(300, -1.0f, true).empty());
  EXPECT_TRUE(TimeAxisTicks(30, 10.0f, false).empty());
}

TEST(KeyScopeGeometryTest, SwitchRowOutputLabelsAndStrip) {
  EXPECT_EQ(StripWidth(0), 8);
  EXPECT_EQ(SliderRect(800, 400, StripWidth(3)), (Rect{620, 330, 716, 362}));
  EXPECT_EQ(SwitchLabelPos(9, 400), (Point{425, 322}));
  EXPECT_EQ(SwitchLabelPos(10, 400), (Point{463, 322}));
  // At W 800 five labels fit the first row; the sixth starts the second.
  EXPECT_EQ(OutputLabelPos(4, 800), (Point{610, 10}));
  EXPECT_EQ(OutputLabelPos(5, 800), (Point{190, 30}));
  EXPECT_EQ(OutputLabelPos(6, 800), (Point{295, 30}));
  EXPECT_EQ(OutputLabelPos(0, 100), (Point{190, 10}));
}

// From a 1366-pixel screen up (a pane about 1100 wide) to the surface's
// width: no output label reaches the box strip, and the slider never lies on
// the switch row, its squares or its labels ("CH15" about 30 pixels wide).
TEST(KeyScopeGeometryTest, LabelsAndSliderKeepClearOfStripAndSwitches) {
  constexpr int kH = 400;
  const int row = SwitchRowRight(16, 30);
  for (int shown : {1, 8, 16}) {
    const int strip = StripWidth(shown);
    for (int w = 1100; w <= 2560; w += 10) {
      for (int c = 0; c < 16; ++c) {
        EXPECT_LE(OutputLabelPos(c, w, strip).x + 105, w - strip - 4) << w << " CH" << c;
      }
      const Rect slider = SliderRect(w, kH, strip, row);
      const bool beside = slider.left >= row;
      const bool above = slider.bottom <= SwitchLabelPos(15, kH).y;
      EXPECT_TRUE(beside || above) << w << " " << shown;
      EXPECT_LE(slider.right, w - strip) << "clear of the strip";
    }
  }
  // Beside a short switch row the slider keeps its place.
  EXPECT_EQ(SliderRect(1400, kH, StripWidth(16), SwitchRowRight(8, 30)),
            SliderRect(1400, kH, StripWidth(16)));
}

TEST(KeyScopeGeometryTest, BarRowsAgainstRangeAndThreshold) {
  const Rect box{100, 30, 120, 330};  // Wb 20, run 278
  EXPECT_EQ(BarThresholdY(box, 255, 0, 40), 285);
  EXPECT_EQ(BarTop(box, 255, 0, 255), 51);
  EXPECT_EQ(BarTop(box, 255, 0, 9999), 51);  // clamped below the header
  EXPECT_EQ(BarTop(box, 255, 0, -50), 329);  // clamped above the bottom
  // The threshold mark is not clamped: it may sit outside the bar.
  EXPECT_EQ(BarThresholdY(box, 255, 0, 255 + 255), 51 - 277);  // trunc toward zero
  // Equal maximum and minimum: no scale, nothing to draw.
  EXPECT_FALSE(BarThresholdY(box, 50, 50, 40).has_value());
  EXPECT_FALSE(BarTop(box, 50, 50, 40).has_value());
  // Extreme spans and a box shorter than its width stay defined.
  EXPECT_TRUE(BarThresholdY(box, INT32_MAX, INT32_MIN, INT32_MIN).has_value());
  EXPECT_TRUE(BarTop(Rect{0, 0, 20, 5}, 1, 0, 0).has_value());
}

TEST(KeyScopeGeometryTest, SliderGeometryAndWidthCondition) {
  const SliderGeometry s = Slider(Rect{620, 330, 716, 362}, 1);
  ASSERT_TRUE(s.shown);
  EXPECT_EQ(s.lineY, 354);
  EXPECT_EQ(s.knobX, 625);
  EXPECT_EQ(s.knobTop, 346);
  EXPECT_EQ(s.knobHit, (Rect{622, 343, 628, 362}));
  EXPECT_EQ(Slider(Rect{620, 330, 716, 362}, 18).knobX, 711);
  EXPECT_EQ(Slider(Rect{620, 330, 716, 362}, 0).knobX, 625);
  EXPECT_FALSE(Slider(Rect{0, 0, 64, 32}, 1).shown);
  EXPECT_FALSE(Slider(Rect{0, 0, -10, 32}, 1).shown);
}

HitLayout TwoBoxLayout() {
  HitLayout l;
  l.width = 800;
  l.height = 400;
  l.stripWidth = StripWidth(2);
  l.boxes[0] = ChannelBox(0, 800, 400);  // 772..792
  l.boxes[1] = ChannelBox(1, 800, 400);  // 748..768
  l.boxVisible[0] = l.boxVisible[1] = true;
  l.expanded[0] = true;
  l.boxThresholdY[0] = 200;
  l.lineShown[0] = true;
  l.thresholdRows[0] = 70;
  l.slider = Slider(SliderRect(800, 400, l.stripWidth), 1);
  return l;
}

TEST(KeyScopeGeometryTest, HitTestCodesInOrder) {
  const HitLayout l = TwoBoxLayout();
  EXPECT_EQ(HitTest(l, 780, 46), (Hit{kHitHeader, 0}));
  EXPECT_EQ(HitTest(l, 780, 47), (Hit{kHitNone, 0}));  // row 17 is between header and max
  EXPECT_EQ(HitTest(l, 780, 49), (Hit{kHitBarMax, 0}));
  EXPECT_EQ(HitTest(l, 780, 371), (Hit{kHitBarMin, 0}));  // just below the box
  EXPECT_EQ(HitTest(l, 780, 198), (Hit{kHitBoxThreshold, 0}));
  EXPECT_EQ(HitTest(l, 780, 203), (Hit{kHitNone, 0}));
  EXPECT_EQ(HitTest(l, 792, 100), Hit{});  // right edge excluded
  // Collapsed box: its header toggles, its body falls through.
  EXPECT_EQ(HitTest(l, 750, 40), (Hit{kHitHeader, 1}));
  EXPECT_EQ(HitTest(l, 750, 100), Hit{});
  EXPECT_EQ(HitTest(l, l.slider.knobX, l.slider.knobTop), (Hit{kHitZoom, 0}));
  EXPECT_EQ(HitTest(l, 100, 66), (Hit{kHitLine, 0}));
  EXPECT_EQ(HitTest(l, 100, 74), Hit{});
  EXPECT_EQ(HitTest(l, 800 - l.stripWidth - 4, 70), Hit{});
  EXPECT_EQ(HitTest(l, 56 + 41 * 15, 338), (Hit{kHitSwitch, 15}));
  EXPECT_EQ(HitTest(l, 56 + 41 * 15 + 26, 338), Hit{});
}

TEST(KeyScopeGeometryTest, HitTestSkipsHiddenBoxesAndNarrowSlider) {
  HitLayout l = TwoBoxLayout();
  l.boxVisible[0] = false;
  EXPECT_EQ(HitTest(l, 780, 46), Hit{});
  l.slider = Slider(Rect{0, 300, 60, 332}, 1);
  EXPECT_EQ(HitTest(l, 5, 320), Hit{});
}

}  // namespace
}  // namespace padscope::keyscope
