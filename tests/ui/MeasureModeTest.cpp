// The waveform view's measure mode: cursors placed and moved with the mouse,
// riding along with their frames while the capture scrolls, and the view's
// other mouse handling left as it is.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <memory>

#include "capture/CaptureContext.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "ui/views/CViewScope.h"

namespace padscope {
namespace {

class MeasureModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    ShowChannel(GlobalSettings::Instance().channel[0]);
    ASSERT_TRUE(ctx.AllocateFrames(256));
    view = std::make_unique<CViewScope>(ctx, fields);
    view->resize(800, 400);
    AddFrames(200);
  }
  void TearDown() override {
    if (held_) {
      Send(QEvent::MouseButtonRelease, last_);
    }
  }
  // Frames 10 ms apart, the newest at the end time: frame i is drawn at
  // x = 40 + (newest time - 10 i) / 10 at the default 10 ms per pixel.
  void AddFrames(int n) {
    for (int i = 0; i < n; ++i) {
      const int index = ctx.WriteIndex();
      ctx.FrameForWrite(index)->timestamp = time_;
      ctx.SetRawValue(index, 0, kValueOffset + 100);
      ctx.writeIndex = index + 1;
      ctx.lastSampleTime = time_;
      time_ += 10;
    }
    view->Refresh();
  }
  void Send(QEvent::Type type, QPoint p) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    held_ = type == QEvent::MouseButtonPress || (held_ && type == QEvent::MouseMove);
    QMouseEvent e(type, p, view->mapToGlobal(p), button, held_ ? Qt::LeftButton : Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(view.get(), &e);
    last_ = p;
  }
  void DragFromTo(QPoint from, QPoint to) {
    Send(QEvent::MouseMove, from);
    Send(QEvent::MouseButtonPress, from);
    Send(QEvent::MouseMove, to);
    Send(QEvent::MouseButtonRelease, to);
  }

  CaptureContext ctx;
  FrameFields fields;
  std::unique_ptr<CViewScope> view;
  uint32_t time_ = 0;
  bool held_ = false;
  QPoint last_;
};

TEST_F(MeasureModeTest, CursorsRideWithTheirFramesWhileTheCaptureScrolls) {
  view->SetMeasuring(true);
  DragFromTo({100, 200}, {200, 200});
  auto at = view->cursors().Resolve(ctx);
  ASSERT_TRUE(at.has_value());
  EXPECT_EQ(at->a, 139);
  EXPECT_EQ(at->b, 39);
  EXPECT_EQ(view->cursorX(0), 100);
  EXPECT_EQ(view->cursorX(1), 200);

  AddFrames(30);  // 300 ms later: both move 30 pixels to the right
  at = view->cursors().Resolve(ctx);
  EXPECT_EQ(at->a, 139);
  EXPECT_EQ(at->b, 39);
  EXPECT_EQ(view->cursorX(0), 130);
  EXPECT_EQ(view->cursorX(1), 230);

  AddFrames(26);  // the buffer fills and drops its older half, B's frame with it
  ctx.CompactFrames();
  AddFrames(4);
  view->Refresh();
  EXPECT_FALSE(view->cursors().Resolve(ctx).has_value());
  EXPECT_EQ(IndexOf(ctx, *view->cursors().a), 139 - 128);
  EXPECT_EQ(view->cursorX(0), 160);
  EXPECT_EQ(view->cursorX(1), -1);

  // Off, the cursors are not drawn.
  view->SetMeasuring(false);
  EXPECT_EQ(view->cursorX(0), -1);
}

TEST_F(MeasureModeTest, ButtonsHandleAndPanKeepTheirWays) {
  view->SetMeasuring(true);
  DragFromTo({100, 200}, {200, 200});
  // A press on cursor A moves A alone.
  DragFromTo({101, 150}, {150, 150});
  auto at = view->cursors().Resolve(ctx);
  EXPECT_EQ(at->a, 89);
  EXPECT_EQ(at->b, 39);
  // The range handle still drags the maximum.
  const ScopeRect handle = view->layout().rangeHandle;
  DragFromTo({handle.left + 5, handle.top + 2}, {handle.left + 5, handle.top - 18});
  EXPECT_EQ(GlobalSettings::Instance().rangeMax, 4020);
  at = view->cursors().Resolve(ctx);
  EXPECT_EQ(at->a, 89);

  // Measure off: dragging the plot pans again and leaves the cursors alone.
  view->SetMeasuring(false);
  DragFromTo({300, 200}, {320, 200});
  EXPECT_NE(ctx.liveEndTime.load(), 0u);
  EXPECT_EQ(view->cursors().Resolve(ctx)->a, 89);
}

}  // namespace
}  // namespace padscope
