// The waveform view's painting, hover feedback, mouse handling and
// out-of-interval watch, checked on its memory surface at the positions the
// layout defines.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QStatusBar>
#include <QWheelEvent>
#include <memory>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "common/SimFixture.h"
#include "common/Wait.h"
#include "platform/RecordingPrompt.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "ui/app/CMainFrame.h"
#include "ui/views/CViewScope.h"

namespace padscope {
namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kCyan = qRgb(0, 255, 255);
const QRgb kWhite = qRgb(255, 255, 255);

void MoveTo(QWidget* w, QPoint p) {
  QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

// Whether any pixel of row y (x in [x0, x1)) or column has the colour.
bool RowHas(const QImage& img, int y, int x0, int x1, QRgb colour) {
  for (int x = x0; x < x1; ++x) {
    if (img.pixel(x, y) == colour) {
      return true;
    }
  }
  return false;
}
bool ColumnHas(const QImage& img, int x, int y0, int y1, QRgb colour) {
  for (int y = y0; y < y1; ++y) {
    if (img.pixel(x, y) == colour) {
      return true;
    }
  }
  return false;
}

class ViewScopeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    ShowChannel(settings().channel[0]);  // red; channel 1 (green) stays hidden
    ASSERT_TRUE(ctx.AllocateFrames(64));
    view = std::make_unique<CViewScope>(ctx, fields);
    view->resize(800, 400);  // plot 370 high: value 0 at y 195, -2000 at 380
  }
  GlobalSettings& settings() { return GlobalSettings::Instance(); }

  // Frames 0..n-1 ten milliseconds apart, newest at time 1190 when n = 19.
  void AddFrames(int n, int32_t value) {
    for (int i = 0; i < n; ++i) {
      SampleFrame* f = ctx.FrameForWrite(i);
      f->timestamp = 1190 - 10 * (n - 1 - i);
      ctx.SetRawValue(i, 0, kValueOffset + value);
      ctx.SetRawValue(i, 1, kValueOffset + value);
    }
    ctx.writeIndex = n;
    ctx.lastSampleTime = 1190;
  }
  const QImage& Paint() {
    view->Refresh();
    return view->surface();
  }

  CaptureContext ctx;
  FrameFields fields;
  std::unique_ptr<CViewScope> view;
};

TEST_F(ViewScopeTest, AxesHandleButtonsGridAndTicks) {
  fields.tkRangeShown = 1;
  fields.tkRangeMin = 0;  // watch line half way up
  const QImage& img = Paint();
  EXPECT_EQ(img.pixel(40, 200), kWhite);               // value axis
  EXPECT_EQ(img.pixel(400, 380), kWhite);              // time axis
  EXPECT_TRUE(ColumnHas(img, 140, 381, 384, kWhite));  // 1 s tick at 10 ms/pixel
  EXPECT_FALSE(ColumnHas(img, 139, 381, 384, kWhite));
  // Range handle stem (x 771) and the "-" of button 1 (x 312..332, y 370).
  EXPECT_TRUE(RowHas(img, 190, 770, 773, kCyan));
  EXPECT_TRUE(ColumnHas(img, 322, 369, 372, kCyan));
  EXPECT_TRUE(RowHas(img, 334, 41, 796, qRgb(91, 86, 81)));  // grid row 1
  EXPECT_TRUE(RowHas(img, 195, 41, 796, kRed));              // watch line
  // No frames: no traces.
  EXPECT_FALSE(RowHas(img, 300, 41, 700, kRed));
}

TEST_F(ViewScopeTest, TracesFollowTheFrameWalk) {
  AddFrames(19, 0);
  // The newest frame lies after the end time: skipped, never drawn at y 103.
  ctx.FrameForWrite(18)->timestamp = 5000;
  ctx.SetRawValue(18, 0, kValueOffset + 1000);
  const QImage& img = Paint();
  // Frames 17..0 sit at columns 1..18 (10 ms apart, 10 ms per pixel).
  EXPECT_EQ(img.pixel(45, 195), kRed);
  EXPECT_EQ(img.pixel(58, 195), kRed);
  EXPECT_NE(img.pixel(60, 195), kRed);
  EXPECT_FALSE(ColumnHas(img, 41, 20, 190, kRed));
  EXPECT_FALSE(RowHas(img, 195, 41, 100, kGreen));  // hidden channel
  EXPECT_EQ(ctx.lastPoint[0][0].x, 58);
  EXPECT_EQ(ctx.lastPoint[0][0].y, 195);

  // A collapsed range has no scale: nothing is plotted, nothing breaks.
  settings().rangeMax = settings().rangeMin = 100;
  EXPECT_FALSE(RowHas(Paint(), 195, 41, 100, kRed));
  EXPECT_EQ(ctx.lastPoint[0][0].x, -1);
}

// Whether any pixel of the rectangle [x0, x1) x [y0, y1) has the colour.
bool AreaHas(const QImage& img, int x0, int x1, int y0, int y1, QRgb colour) {
  for (int y = y0; y < y1; ++y) {
    if (RowHas(img, y, x0, x1, colour)) {
      return true;
    }
  }
  return false;
}

TEST_F(ViewScopeTest, FrameModePlacesOneFramePerColumn) {
  settings().timeAxisMode = 0;
  AddFrames(19, 0);
  for (int i = 0; i < 19; ++i) {  // 20 ms apart: time mode would spread them to x 76
    ctx.FrameForWrite(i)->timestamp = 1190 - 20 * (18 - i);
  }
  const QImage& img = Paint();
  // Newest frame at column 0 of the plot (x 40), the oldest at 18 (x 58).
  EXPECT_EQ(img.pixel(41, 195), kRed);
  EXPECT_EQ(img.pixel(58, 195), kRed);
  EXPECT_FALSE(RowHas(img, 195, 59, 80, kRed));
  EXPECT_EQ(ctx.lastPoint[0][0].x, 58);
  // Ticks every 50 frames: x 40, 90, 140.
  EXPECT_TRUE(ColumnHas(img, 90, 381, 384, kWhite));
  EXPECT_TRUE(ColumnHas(img, 140, 381, 384, kWhite));
  EXPECT_FALSE(ColumnHas(img, 89, 381, 384, kWhite));
  EXPECT_FALSE(ColumnHas(img, 115, 381, 384, kWhite));
}

TEST_F(ViewScopeTest, ChannelLabelsWrapToTheSecondRowOnANarrowView) {
  AddFrames(19, 0);
  // Wide: "CH0: 0" in the first row at (170, 10).
  const QImage& wide = Paint();
  EXPECT_TRUE(AreaHas(wide, 170, 270, 10, 26, kWhite));
  EXPECT_FALSE(AreaHas(wide, 170, 270, 30, 46, kWhite));
  // 300 wide: 170 + 105 passes the right limit (256), so the label moves to
  // the second row, starting again at x 170.
  view->resize(300, 400);
  const QImage& narrow = Paint();
  EXPECT_FALSE(AreaHas(narrow, 170, 256, 10, 26, kWhite));
  EXPECT_TRUE(AreaHas(narrow, 170, 256, 30, 46, kWhite));
}

// The channel labels and the pan offset are written over the traces, never
// hidden under them.
TEST_F(ViewScopeTest, TextsStayAboveTheTraces) {
  view->resize(300, 400);  // CH0's label in the second row, at (170, 30)
  // Two frames per pixel column, one at the top of the plot and one at its
  // bottom: every column from x 40 on is red from y 10 to 380.
  constexpr int kColumns = 230;
  ASSERT_TRUE(ctx.AllocateFrames(2 * kColumns));
  for (int i = 0; i < 2 * kColumns; ++i) {
    const int column = (2 * kColumns - 1 - i) / 2;
    ctx.FrameForWrite(i)->timestamp = 10 * (kColumns - column);
    ctx.SetRawValue(i, 0, kValueOffset + (i % 2 == 0 ? 2000 : -2000));
  }
  ctx.writeIndex = 2 * kColumns;
  ctx.lastSampleTime = 10 * kColumns;
  ctx.liveEndTime = 10 * kColumns + 500;  // panned: "offset: 500ms" at (65, 30)
  const QImage& img = Paint();
  ASSERT_EQ(img.pixel(200, 60), kRed);
  EXPECT_TRUE(AreaHas(img, 170, 256, 30, 46, kWhite)) << "CH0 label";
  EXPECT_TRUE(AreaHas(img, 65, 160, 30, 46, kWhite)) << "pan offset";
}

TEST_F(ViewScopeTest, CrossHairFollowsThePointer) {
  fields.followRawValue = 1;
  Paint();
  MoveTo(view.get(), QPoint(300, 250));
  const QImage& img = view->surface();
  const QRgb grey = qRgb(204, 204, 204);
  EXPECT_TRUE(RowHas(img, 250, 41, 756, grey));
  EXPECT_TRUE(ColumnHas(img, 300, 10, 370, grey));
}

// Presses, drags, the wheel and held buttons on a view without a frame.
class ViewScopeMouseTest : public ViewScopeTest {
 protected:
  void TearDown() override {
    if (held_) {
      Release(last_);
    }
  }
  void Send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    const Qt::MouseButtons buttons = held_ ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(type, p, view->mapToGlobal(p), button, buttons, mods);
    QApplication::sendEvent(view.get(), &e);
    last_ = p;
  }
  // Hovers first, as a real pointer does, then presses.
  void Press(QPoint p) {
    Send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoModifier);
    held_ = true;
    Send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::NoModifier);
  }
  void Drag(QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Send(QEvent::MouseMove, p, Qt::NoButton, mods);
  }
  void Release(QPoint p) {
    held_ = false;
    Send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoModifier);
  }
  void Wheel(int delta) {
    const QPointF p(400, 200);
    QWheelEvent e(p, view->mapToGlobal(p), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.get(), &e);
  }
  bool PumpUntil(const std::function<bool()>& cond) {
    return test::WaitFor([&] {
      QApplication::processEvents();
      return cond();
    });
  }

  bool held_ = false;
  QPoint last_;
};

TEST_F(ViewScopeMouseTest, RangeHandleDragSetsTheDeltaAndReleaseFoldsIt) {
  GlobalSettings& s = settings();
  Press({760, 172});  // maximum arrow
  Drag({760, 152});
  EXPECT_EQ(s.rangeMaxDelta, 20);
  EXPECT_EQ(s.rangeMax, 4000);
  Drag({760, 162}, Qt::ControlModifier);  // Ctrl triples: 10 x 3
  EXPECT_EQ(s.rangeMaxDelta, 30);
  Release({760, 162});
  EXPECT_EQ(s.rangeMax, 4030);
  EXPECT_EQ(s.rangeMaxDelta, 0);

  Press({760, 205});  // minimum arrow
  Drag({760, 215});   // below 0: held at 0
  EXPECT_EQ(s.rangeMin, 0);
  EXPECT_EQ(s.rangeMinDelta, 0);
  Drag({760, 195});
  EXPECT_EQ(s.rangeMinDelta, 10);
  Release({760, 195});
  EXPECT_EQ(s.rangeMin, 10);
  EXPECT_EQ(s.rangeMinDelta, 0);

  Press({760, 172});
  Drag({760, 5172});  // the maximum below the minimum is pinned to it
  Release({760, 5172});
  EXPECT_EQ(s.rangeMax, 10);
  EXPECT_EQ(s.rangeMaxDelta, 0);
  EXPECT_EQ(view->hoverMode(), 0);
}

TEST_F(ViewScopeMouseTest, PanningMovesTheWindowWithinItsClamps) {
  GlobalSettings& s = settings();
  AddFrames(19, 0);  // earliest frame of 0..count-2 at 1010
  ctx.lastSampleTime = 10000;
  Press({400, 100});
  Drag({400, 110});
  EXPECT_EQ(s.rangeMin, 10);
  EXPECT_EQ(s.rangeMax, 4010);
  Drag({400, 60});  // would take the minimum below 0
  EXPECT_EQ(s.rangeMin, 0);
  EXPECT_EQ(s.rangeMax, 4000);

  Drag({380, 60});  // first horizontal pan saves the live time
  EXPECT_EQ(ctx.liveEndTime.load(), 10000u);
  EXPECT_EQ(ctx.lastSampleTime.load(), 9800u);
  Drag({390, 60}, Qt::ControlModifier);  // +300 ms, held at the live time
  EXPECT_EQ(ctx.lastSampleTime.load(), 10000u);
  Drag({-410, 60});  // -8000 ms, held 1 s after the earliest frame
  EXPECT_EQ(ctx.lastSampleTime.load(), 2010u);
}

TEST_F(ViewScopeMouseTest, WheelZoomsTimeOnSingleNotchesInTimeModeOnly) {
  Wheel(120);
  EXPECT_FLOAT_EQ(ctx.msPerPixel, 5.0f);
  Wheel(-120);
  EXPECT_FLOAT_EQ(ctx.msPerPixel, 6.0f);
  Wheel(240);
  Wheel(60);
  Wheel(-60);
  EXPECT_FLOAT_EQ(ctx.msPerPixel, 6.0f);
  settings().timeAxisMode = 0;
  Wheel(120);
  EXPECT_FLOAT_EQ(ctx.msPerPixel, 6.0f);
}

// Coordinate zoom in sets its own held flag of dragState; the release must end
// the repetition all the same.
TEST_F(ViewScopeMouseTest, HeldButtonRepeatsAndReleaseEndsIt) {
  fields.coordStep = 1000;
  Press({262, 370});  // button 0
  EXPECT_TRUE(view->repeating());
  ASSERT_TRUE(PumpUntil([&] { return fields.coordStep <= 997; }));
  Release({262, 370});
  EXPECT_FALSE(view->repeating());
  EXPECT_EQ(fields.dragState[kDragZoomIn], 0);
  const int32_t step = fields.coordStep;
  QApplication::processEvents();  // steps posted before the release are stale
  EXPECT_EQ(fields.coordStep, step);
  EXPECT_EQ(fields.dragState[kDragZoomIn], 0);

  Press({682, 370});  // button 7: time coarser
  ASSERT_TRUE(PumpUntil([&] { return ctx.msPerPixel >= 12.0f; }));
  Release({682, 370});
  EXPECT_FALSE(view->repeating());
}

// The watch and the hover texts need the main frame (status bar, Stop Capture).
class ViewScopeFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    ctx.cycleSleepMs = 1;
    SetPrompt(prompt);
    frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
    view = frame->viewScope();
    view->resize(800, 400);
    view->Refresh();
  }
  void TearDown() override {
    frame->close();
    frame.reset();
    SetPrompt(nullptr);
  }
  bool PumpUntil(const std::function<bool()>& cond) {
    return test::WaitFor([&] {
      QApplication::processEvents();
      return cond();
    });
  }

  test::SimAdapter sim;
  CaptureContext ctx;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::unique_ptr<CMainFrame> frame;
  CViewScope* view = nullptr;
};

TEST_F(ViewScopeFrameTest, OutOfIntervalValueWarnsOnceAndStopsCapture) {
  frame->Action(kCmdStartCapture)->trigger();
  ASSERT_TRUE(PumpUntil([&] { return ctx.WriteIndex() > 10; }));
  FrameFields& f = frame->fields;
  f.tkRangeMin = f.tkRangeMax = -40000;  // every value lies above the interval
  f.tkRangeShown = 1;
  view->Refresh();
  ASSERT_TRUE(PumpUntil([&] { return ctx.runState == kRunStopped && !prompt->Texts().empty(); }));
  ASSERT_EQ(prompt->Texts().size(), 1u);
  EXPECT_EQ(prompt->Texts()[0].rfind("TK8 : ", 0), 0u);
  EXPECT_NE(prompt->Texts()[0].find("溢出（-40000 - -40000) ,  TK9:"), std::string::npos);
  EXPECT_EQ(f.tkRangeWarned, 1);
  view->Refresh();
  QApplication::processEvents();
  EXPECT_EQ(prompt->Texts().size(), 1u);
}

TEST_F(ViewScopeFrameTest, HoverGivesModeCursorAndStatusText) {
  MoveTo(view, QPoint(760, 172));  // top band of the handle (170..210)
  EXPECT_EQ(view->hoverMode(), 1);
  EXPECT_EQ(view->cursor().shape(), Qt::SizeVerCursor);
  EXPECT_EQ(frame->statusBar()->currentMessage(), "拖动以调整显示范围的最大值.当前: 4000");
  MoveTo(view, QPoint(760, 205));
  EXPECT_EQ(view->hoverMode(), 2);
  EXPECT_EQ(frame->statusBar()->currentMessage(), "拖动以调整显示范围的最小值.当前: 0");
  MoveTo(view, QPoint(760, 190));  // middle band
  EXPECT_EQ(view->hoverMode(), 0);
  MoveTo(view, QPoint(262, 370));  // button 0
  EXPECT_EQ(view->hoverMode(), 3);
  MoveTo(view, QPoint(10, 10));
  EXPECT_EQ(view->hoverMode(), 0);
  EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace padscope
