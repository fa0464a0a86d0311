// Where frames sit on the waveform view, the key scope's fitted window, a
// fresh start's first fit, and the crosstalk map's grid: the rules the
// widgets draw and hit-test with.
#include <gtest/gtest.h>

#include <cstdlib>

#include "capture/CaptureContext.h"
#include "state/GlobalSettings.h"
#include "tuning/BufferPositions.h"
#include "tuning/CrosstalkGrid.h"
#include "tuning/FirstCaptureFit.h"
#include "tuning/FitToData.h"

namespace padscope {
namespace {

// Frames 10 ms apart from time 0; at 20 ms per pixel two frames share a column.
TEST(FramePlaces, ColumnsFollowTheViewsWalkBothWays) {
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(64));
  for (int i = 0; i < 50; ++i) {
    ctx.FrameForWrite(i)->timestamp = static_cast<uint32_t>(10 * i);
  }
  ctx.writeIndex = 50;
  ctx.lastSampleTime = 490;
  ctx.msPerPixel = 20.0f;
  const FrameWalkParams walk = ScopeWalkParams(ctx, true, 300);
  EXPECT_EQ(XOfFrame(ctx, walk, 49), 40);
  EXPECT_EQ(XOfFrame(ctx, walk, 48), 40);
  EXPECT_EQ(XOfFrame(ctx, walk, 39), 45);
  EXPECT_EQ(FrameAtX(ctx, walk, 45), 39);  // 39 and 38 share it: the newer
  EXPECT_EQ(FrameAtX(ctx, walk, 10), 49);  // left of the plot: the newest
  EXPECT_EQ(FrameAtX(ctx, walk, 500), 1);  // right of the data: the oldest column (1 and 0)

  // Panned 100 ms into the past: the frames after the end time are not drawn.
  ctx.displayShift = -100;
  const FrameWalkParams panned = ScopeWalkParams(ctx, true, 300);
  EXPECT_EQ(XOfFrame(ctx, panned, 49), std::nullopt);
  EXPECT_EQ(XOfFrame(ctx, panned, 39), 40);
  EXPECT_EQ(FrameAtX(ctx, panned, 40), 39);

  // Frame mode: one frame per column from the newest drawn one.
  const FrameWalkParams frames = ScopeWalkParams(ctx, false, 300);
  EXPECT_EQ(XOfFrame(ctx, frames, 30), 49);
  EXPECT_EQ(FrameAtX(ctx, frames, 49), 30);
  // A frame beyond the plot's right edge (x > W - 44) is not placed.
  EXPECT_EQ(XOfFrame(ctx, ScopeWalkParams(ctx, false, 60), 0), std::nullopt);
}

// Over a long span the nearest frame is found from the runs the views draw
// by: the same frame as the walk through every frame finds.
TEST(FramePlaces, FrameAtXOverManyFramesPerColumnIsTheWalksFrame) {
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(120000));
  for (int i = 0; i < 100000; ++i) {
    SampleFrame* f = ctx.FrameForWrite(i);
    f->timestamp = static_cast<uint32_t>(3 * i + (i % 7 == 0 ? 2 : 0));
    ctx.CommitFrame(i);
  }
  ctx.lastSampleTime = 3 * 99999 - 50;
  ctx.msPerPixel = 40.0f;
  const FrameWalkParams walk = ScopeWalkParams(ctx, true, 1920);
  for (const int x : {0, 40, 41, 57, 300, 1000, 1875, 1876, 1900, 5000}) {
    std::optional<int> expected;
    int bestDistance = 0;
    WalkScopeFrames(
        walk, [&](int i) { return ctx.FrameAt(i)->timestamp; },
        [&](int i, int c) {
          const int distance = std::abs(c - (x - kScopeAxisX));
          if (!expected || distance < bestDistance) {
            expected = i;
            bestDistance = distance;
          }
          return true;
        });
    EXPECT_EQ(FrameAtX(ctx, walk, x), expected) << x;
  }
}

TEST(FitToData, KeyScopeZoomIsTheLargestThatHoldsTheSpan) {
  // 0..100 with a margin of 5: 110 units in the 500 rows of a 540-high view.
  OutputWindow w = FitOutputWindow({0, 100}, 540);
  EXPECT_EQ(w.top, 105);
  EXPECT_EQ(w.zoom, 4);
  // A flat line still gets a margin, and the zoom stops at 18.
  w = FitOutputWindow({50, 50}, 540);
  EXPECT_EQ(w.top, 52);
  EXPECT_EQ(w.zoom, 18);
  // Too tall for zoom 1: the top stays in view.
  w = FitOutputWindow({0, 2000}, 540);
  EXPECT_EQ(w.top, 2100);
  EXPECT_EQ(w.zoom, 1);
}

// Frames 10 ms apart of a one-channel board: raw 500 + i and output i % 20,
// except the frames after the first second, whose values are far out.
void FillFirstSecond(CaptureContext& ctx, int from, int to) {
  ctx.channelCount = 1;
  for (int i = from; i < to; ++i) {
    SampleFrame* f = ctx.FrameForWrite(i);
    f->raw[2] = 1;
    f->timestamp = static_cast<uint32_t>(5000 + 10 * i);
    const bool late = f->timestamp > 5010 + 1000;  // frame 1 is the first decoded one
    f->rawValue[0] = static_cast<uint16_t>(kValueOffset + (late ? 9000 : 500 + i));
    f->secondValue[0] = static_cast<uint16_t>(late ? 250 : i % 20);
    ctx.writeIndex = i + 1;
  }
}

TEST(FirstCaptureFit, FitsOnceToTheFirstSecondUnlessTheUserMovedARange) {
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(256));
  GlobalSettings s;
  ShowChannel(s.channel[0]);
  s.channel[0].expanded = 1;
  s.channel[0].threshold = 40;
  s.singleByteMode = 1;
  const FitViews views{800, 800, 540, 2000};
  FirstCaptureFit fit(s);
  ctx.runState = kRunRunning;
  FillFirstSecond(ctx, 0, 60);
  EXPECT_EQ(fit.Poll(ctx, s, views), FirstCaptureFit::State::Waiting) << "not a second yet";
  FillFirstSecond(ctx, 60, 150);
  ASSERT_EQ(fit.Poll(ctx, s, views), FirstCaptureFit::State::Fitted);
  // Frames 1..101 (raw 501..601, outputs 0..19) with their margins; the
  // threshold 40 is in the key scope's window too.
  EXPECT_EQ(s.rangeMin, 2000 + 501 - 5);
  EXPECT_EQ(s.rangeMax, 2000 + 601 + 5);
  EXPECT_EQ(s.keyRangeMax, 42);
  EXPECT_EQ(s.zoom, 11);  // 500 rows / 44 units
  s.rangeMax = 7000;
  EXPECT_EQ(fit.Poll(ctx, s, views), FirstCaptureFit::State::Fitted) << "only once";
  EXPECT_EQ(s.rangeMax, 7000);

  // A range moved before the first second: the user's stays. A capture that
  // stops before its first second is fitted to what it has.
  GlobalSettings moved;
  ShowChannel(moved.channel[0]);
  FirstCaptureFit dropped(moved);
  moved.keyRangeMaxDelta = 5;
  EXPECT_EQ(dropped.Poll(ctx, moved, views), FirstCaptureFit::State::Dropped);
  EXPECT_EQ(moved.rangeMax, GlobalSettings().rangeMax);
  CaptureContext shortRun;
  ASSERT_TRUE(shortRun.AllocateFrames(64));
  FillFirstSecond(shortRun, 0, 30);
  GlobalSettings fresh;
  ShowChannel(fresh.channel[0]);
  FirstCaptureFit stopped(fresh);
  EXPECT_EQ(stopped.Poll(shortRun, fresh, views), FirstCaptureFit::State::Fitted);
  EXPECT_EQ(fresh.rangeMax, 2000 + 529 + 2);
}

TEST(CrosstalkGrid, CellsHitAndColour) {
  const CrosstalkGridLayout grid = LayOutCrosstalkGrid({0, 2, 5}, 400, 200, 60, 24, 4);
  ASSERT_EQ(grid.cell, 56);  // the largest cell: 172 / 3 would be 57
  EXPECT_EQ(grid.Hit(60, 24), std::make_pair(0, 0));
  EXPECT_EQ(grid.Hit(60 + 56, 24 + 2 * 56 + 55), std::make_pair(2, 1));
  EXPECT_EQ(grid.Hit(59, 30), std::nullopt);
  EXPECT_EQ(grid.Hit(60 + 3 * 56, 30), std::nullopt);
  EXPECT_EQ(LayOutCrosstalkGrid({0, 1, 2, 3}, 80, 80, 60, 24, 4).cell, 0);  // no room

  CrosstalkCell cell;
  EXPECT_EQ(CrosstalkColour(cell, 20), 0x505050u);  // not measured
  EXPECT_EQ(CrosstalkCellText(cell), "");
  cell.measured = true;
  EXPECT_EQ(CrosstalkCellText(cell), "-");  // no signal to share
  cell.percent = 0;
  EXPECT_EQ(CrosstalkColour(cell, 20), 0x1E325Au);
  cell.percent = -20;  // a key pushed down as much is as suspect
  EXPECT_EQ(CrosstalkColour(cell, 20), 0xF0C828u);
  cell.percent = 55;
  EXPECT_EQ(CrosstalkColour(cell, 20), 0xDC281Eu);
  EXPECT_EQ(CrosstalkCellText(cell), "55");
}

}  // namespace
}  // namespace padscope
