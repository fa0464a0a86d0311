// The waveform view's layout, rulers, value mapping and frame walk.
#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "viewlogic/ScopeGeometry.h"

namespace padscope {
namespace {

TEST(ScopeGeometryTest, HandleAndButtonsFollowTheSize) {
  const ScopeLayout l = LayOutScope(800, 400);
  EXPECT_EQ(l.rangeHandle, (ScopeRect{756, 170, 786, 210}));
  // A = (800 - 44) / 3 = 252, a 60-pixel pitch, 20 x 20 each.
  EXPECT_EQ(l.buttons[0], (ScopeRect{252, 360, 272, 380}));
  EXPECT_EQ(l.buttons[7], (ScopeRect{672, 360, 692, 380}));
  EXPECT_EQ(HitScopeButton(l, 271, 379), 0);
  EXPECT_EQ(HitScopeButton(l, 272, 370), -1);  // right edge is outside
  EXPECT_EQ(HitScopeButton(l, 372, 370), 2);
  EXPECT_EQ(HitScopeButton(l, 300, 370), -1);  // between buttons
  // Tiny sizes truncate toward zero rather than flooring.
  EXPECT_EQ(LayOutScope(40, 41).rangeHandle.top, -9);
  EXPECT_EQ(LayOutScope(40, 41).buttons[0].left, -1);
}

TEST(ScopeGeometryTest, RangeHandleHasTwoArrowBands) {
  const ScopeRect h{756, 170, 786, 210};
  EXPECT_EQ(HitRangeHandle(h, 760, 184), 1);
  EXPECT_EQ(HitRangeHandle(h, 760, 185), 0);  // middle band
  EXPECT_EQ(HitRangeHandle(h, 760, 196), 2);
  EXPECT_EQ(HitRangeHandle(h, 760, 210), 0);  // outside
  EXPECT_EQ(HitRangeHandle(h, 755, 175), 0);
}

TEST(ScopeGeometryTest, ValueGridAndWatchLines) {
  const ScopeScale s{4000, 0, 370};  // H = 400
  const std::vector<GridRow> rows = ValueGridRows(s, 400, 2000);
  ASSERT_EQ(rows.size(), 9u);
  // Labels subtract the display offset; rows 46 pixels apart.
  EXPECT_EQ(rows[0].labelY, 374);
  EXPECT_EQ(rows[0].value, -2000);
  EXPECT_EQ(rows[1].lineY, 334);
  EXPECT_EQ(rows[1].value, -1500);
  EXPECT_EQ(rows[8].lineY, 12);
  EXPECT_EQ(rows[8].value, 2000);
  // Watch lines: bound 0 sits half way, a bound below the plotted minimum is
  // not drawn.
  EXPECT_EQ(WatchLineY(s, 400, 2000, 0), 380 - 185);
  EXPECT_EQ(WatchLineY(s, 400, 2000, -2000), 380);
  EXPECT_EQ(WatchLineY(s, 400, 2000, -2001), std::nullopt);
}

TEST(ScopeGeometryTest, NoScaleMeansNothingValueDependentIsDrawn) {
  for (const ScopeScale s : {ScopeScale{100, 100, 370}, ScopeScale{0, 100, 370},
                             ScopeScale{4000, 0, 0}, ScopeScale{4000, 0, -25}}) {
    EXPECT_TRUE(ValueGridRows(s, 400, 2000).empty());
    EXPECT_EQ(WatchLineY(s, 400, 2000, 0), std::nullopt);
    EXPECT_EQ(ValueToY(s, 2000, 0), std::nullopt);
    EXPECT_EQ(CrossHairValue(s, 2000, 100), std::nullopt);
  }
}

TEST(ScopeGeometryTest, ValueToPixel) {
  const ScopeScale s{4000, 0, 370};
  EXPECT_EQ(ValueToY(s, 2000, 2000), 10);    // the maximum: plot top
  EXPECT_EQ(ValueToY(s, 2000, -2000), 380);  // the minimum: time axis
  EXPECT_EQ(ValueToY(s, 2000, 0), 195);
  // A zero maximum (negative minimum from a settings file) still maps.
  EXPECT_EQ(ValueToY(ScopeScale{0, -370, 370}, 0, -100), 110);
  // Extreme values and ranges neither overflow nor reach the painter raw.
  const ScopeScale wide{INT32_MAX, INT32_MIN, 1400};
  EXPECT_EQ(ValueToY(wide, 0, INT32_MAX), 10);
  EXPECT_EQ(ValueToY(ScopeScale{1, 0, 1400}, 0, INT32_MIN), 100010);
  EXPECT_EQ(ValueGridRows(wide, 1430, 2000)[8].value, int64_t{INT32_MAX} - 2000 + 1);
}

TEST(ScopeGeometryTest, TimeAxisTicks) {
  // 10 ms per pixel: a tick every 1 s, i.e. every 100 columns.
  std::vector<TimeTick> t = TimeAxisTicks(345, 10.0, true);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].x, 140);
  EXPECT_EQ(t[0].label, "1s");
  EXPECT_EQ(t[2].label, "3s");
  // 2.5 ms per pixel: 250 ms spacing; sub-second and fractional labels.
  t = TimeAxisTicks(645, 2.5, true);
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[0].label, "250ms");
  EXPECT_EQ(t[3].label, "1s");
  EXPECT_EQ(t[5].label, "1.5s");
  // 15 ms per pixel: 1500 rounds down to whole seconds.
  EXPECT_EQ(TimeAxisTicks(345, 15.0, true)[0].label, "1s");
  // Frame mode: one frame per column, labels are the columns from 0.
  t = TimeAxisTicks(245, 10.0, false);
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].x, 40);
  EXPECT_EQ(t[0].label, "0");
  EXPECT_EQ(t[4].label, "200");
  // Broken scales give no ticks.
  EXPECT_TRUE(TimeAxisTicks(345, 0.0, true).empty());
  EXPECT_TRUE(TimeAxisTicks(345, -3.0, true).empty());
  EXPECT_TRUE(TimeAxisTicks(345, 1e30, true).empty());
  EXPECT_TRUE(TimeAxisTicks(10, 10.0, true).empty());
}

TEST(ScopeGeometryTest, ChannelLabelsWrapToASecondRow) {
  // W = 800: slots up to x + 105 <= 756 fit, i.e. channels 0..4.
  EXPECT_EQ(ChannelLabelPos(4, 800).y, 10);
  EXPECT_EQ(ChannelLabelPos(5, 800).x, 170);
  EXPECT_EQ(ChannelLabelPos(5, 800).y, 30);
  EXPECT_EQ(ChannelLabelPos(15, 800).x, 170 + 10 * 105);
  EXPECT_EQ(ChannelLabelPos(15, 2560).y, 10);
  EXPECT_EQ(ChannelLabelPos(3, 100).x, 170 + 3 * 105);  // nothing fits row 1
}

TEST(ScopeGeometryTest, Texts) {
  EXPECT_EQ(PanOffsetText(0, 5000), std::nullopt);  // not panned
  EXPECT_EQ(PanOffsetText(5000, 5000), std::nullopt);
  EXPECT_EQ(PanOffsetText(5000, 6000), std::nullopt);
  EXPECT_EQ(PanOffsetText(6000, 5000), "offset: 1000ms");
  EXPECT_EQ(PanOffsetText(6500, 5000), "offset: 1.5s");
  EXPECT_EQ(CrossHairValue(ScopeScale{4000, 0, 370}, 2000, 10), 2000);
  EXPECT_EQ(CrossHairValue(ScopeScale{4000, 0, 370}, 2000, 380), -2000);
  EXPECT_EQ(WatchMessage(8, 100, 0, 100, 7), std::nullopt);
  EXPECT_EQ(WatchMessage(8, 101, 0, 100, 7), "TK8 : 101 溢出（0 - 100) ,  TK9:7");
  EXPECT_EQ(WatchMessage(-1, -32768, 0, 100, 7), "TK-1 : -32768 溢出（0 - 100) ,  TK9:7");
}

std::vector<std::pair<int, int>> Walk(const std::vector<uint32_t>& times, int64_t end, double ms,
                                      bool timeMode, int width) {
  std::vector<std::pair<int, int>> seen;
  WalkScopeFrames(
      {static_cast<int>(times.size()), end, ms, timeMode, width}, [&](int i) { return times[i]; },
      [&](int i, int x) { seen.emplace_back(i, x); });
  return seen;
}

TEST(ScopeGeometryTest, FrameWalk) {
  using V = std::vector<std::pair<int, int>>;
  // Newest first; a frame stamped after the end time is skipped, the walk goes on.
  EXPECT_EQ(Walk({100, 110, 200, 120}, 125, 10.0, true, 100), (V{{3, 0}, {1, 1}, {0, 2}}));
  // The walk stops at the first frame beyond W - 44 columns.
  EXPECT_EQ(Walk({0, 990, 1550, 1560}, 1560, 10.0, true, 100), (V{{3, 0}, {2, 1}}));
  // Frame mode: one column per visited frame, skipped ones take none.
  EXPECT_EQ(Walk({5, 900, 5, 5}, 100, 10.0, false, 46), (V{{3, 0}, {2, 1}, {0, 2}}));
  EXPECT_EQ(Walk({1, 1, 1, 1}, 100, 10.0, false, 45), (V{{3, 0}, {2, 1}}));
  EXPECT_TRUE(Walk({}, 100, 10.0, true, 100).empty());
  EXPECT_TRUE(Walk({1, 2}, 100, 0.0, true, 100).empty());
}

TEST(ScopeGeometryTest, TimeZoomStepsStayWithinBounds) {
  EXPECT_FLOAT_EQ(TimeFiner(10.0f), 5.0f);
  EXPECT_FLOAT_EQ(TimeFiner(5.0f), 2.5f);
  EXPECT_FLOAT_EQ(TimeFiner(0.2f), 0.125f);
  EXPECT_FLOAT_EQ(TimeFiner(0.0f), 1.0f);
  EXPECT_FLOAT_EQ(TimeCoarser(10.0f), 11.0f);
  EXPECT_FLOAT_EQ(TimeCoarser(799.5f), 800.0f);
  EXPECT_FLOAT_EQ(TimeCoarser(0.3f), 0.6f);
  EXPECT_FLOAT_EQ(TimeCoarser(0.6f), 1.0f);
  // A scale that is not positive recovers instead of doubling away.
  EXPECT_FLOAT_EQ(TimeCoarser(-2.0f), 1.0f);
}

TEST(ScopeGeometryTest, DragPanSavesLiveTimeThenClamps) {
  // First pan: live time saved, candidate taken as it is (10 ms per pixel).
  const PanResult first = PanEndTime(5000, -30, 0, 3000);
  EXPECT_EQ(first.endTime, 4700u);
  EXPECT_EQ(first.liveEndTime, 5000u);
  EXPECT_EQ(PanEndTime(4700, 100, 5000, 3000).endTime, 5000u);   // not past live
  EXPECT_EQ(PanEndTime(4700, -100, 5000, 3000).endTime, 4000u);  // 1 s after earliest
  EXPECT_EQ(PanEndTime(4700, 20, 5000, 3000).endTime, 4900u);
}

}  // namespace
}  // namespace padscope
