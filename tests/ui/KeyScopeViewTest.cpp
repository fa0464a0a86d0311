// The key scope view painted offscreen and driven by mouse events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QStatusBar>

#include "capture/CaptureContext.h"
#include "common/SimFixture.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "ui/app/CMainFrame.h"
#include "ui/views/CViewKeyScope.h"

namespace padscope {
namespace {

constexpr int kW = 800;
constexpr int kH = 400;
constexpr int kFrames = 10;

class KeyScopeViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    s.timeAxisMode = 0;  // one frame per pixel
    for (int c : {0, 1, 2}) {
      ShowChannel(s.channel[c]);
    }
    ASSERT_TRUE(ctx.AllocateFrames(64));
    for (int i = 0; i < kFrames; ++i) {
      SampleFrame* f = ctx.FrameForWrite(i);
      f->timestamp = 1000 + 10 * i;
      f->secondValue[0] = i == kFrames - 1 ? 100 : 50;
      f->secondValue[1] = 10;
    }
    ctx.FrameForWrite(kFrames - 1)->SetKeyState(0, true);
    ctx.writeIndex = kFrames;
    ctx.lastSampleTime = 1000 + 10 * (kFrames - 1);
    view.resize(kW, kH);
    view.Refresh();
  }

  QColor Px(int x, int y) const { return view.surface().pixelColor(x, y); }
  void Mouse(QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::NoButton) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(p), view.mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&view, &e);
  }
  void Hover(QPoint p) { Mouse(QEvent::MouseMove, p); }
  void Drag(QPoint from, QPoint to) {
    Hover(from);
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
    Mouse(QEvent::MouseMove, to, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton);
    QApplication::processEvents();
  }
  void Click(QPoint p) { Drag(p, p); }

  GlobalSettings& s = GlobalSettings::Instance();
  CaptureContext ctx;
  FrameFields fields;
  CViewKeyScope view{ctx, fields};
};

TEST_F(KeyScopeViewTest, PaintsBoxesBarsSwitchesPlotAndSlider) {
  s.channel[2].secondMax = s.channel[2].secondMin = 50;  // no scale
  view.Refresh();
  EXPECT_EQ(view.layout().stripWidth, 80);
  EXPECT_EQ(Px(772, 200), QColor(255, 0, 0));  // box of channel 0, rightmost
  // Box 30..370: bar run 318 below the 20-pixel header. Channel 0 (100) is
  // over its threshold: red at the bar top, pale green at the bottom.
  EXPECT_EQ(Px(780, 243), QColor(Qt::black));
  EXPECT_GT(Px(780, 244).red(), 150);
  EXPECT_LT(Px(780, 244).green(), 50);
  EXPECT_GT(Px(780, 366).green(), 150);
  EXPECT_EQ(Px(780, 319), QColor(Qt::white));  // threshold mark, two rows
  EXPECT_EQ(Px(780, 320), QColor(Qt::white));
  EXPECT_TRUE(ctx.FrameAt(kFrames - 1)->KeyAux(0));
  // Channel 1 is below: a green top, and no over-threshold mark.
  EXPECT_EQ(Px(758, 356), QColor(Qt::black));
  EXPECT_LT(Px(758, 357).red(), 50);
  EXPECT_GT(Px(758, 357).green(), 100);
  EXPECT_FALSE(ctx.FrameAt(kFrames - 1)->KeyAux(1));
  // Channel 2 has no scale: an empty box.
  EXPECT_EQ(Px(734, 200), QColor(Qt::black));
  EXPECT_FALSE(view.layout().boxThresholdY[2].has_value());

  EXPECT_EQ(Px(56 + 13, kH - 49), QColor(255, 0, 0));  // touched square filled
  EXPECT_EQ(Px(97 + 13, kH - 49), QColor(Qt::black));
  EXPECT_EQ(Px(56 + 41 * 5, kH - 62), QColor(55, 55, 55));  // hidden channel
  EXPECT_EQ(Px(45, 60), QColor(255, 0, 0));                 // output of channel 0 at 50
  EXPECT_EQ(Px(640, 310), QColor(0, 255, 0));               // slider line, above the switch labels
  EXPECT_EQ(Px(40, 200), QColor(Qt::white));                // value axis
}

// Zoomed in, values far above and below the plot, a threshold line below it
// and a threshold beyond the bar's range: nothing of channel 0 or 1 lands on
// the title row, the time axis with its labels, or the box headers.
TEST_F(KeyScopeViewTest, TracesAndMarkersStayInsideThePlot) {
  s.zoom = 5;  // U 100: value 0 on row 510, 255 on row -765
  for (int i = 0; i < kFrames; ++i) {
    ctx.FrameForWrite(i)->secondValue[0] = i % 2 == 0 ? 0 : 255;
  }
  s.channel[1].threshold = 27;   // its line on row 375, among the time labels
  s.channel[0].threshold = 280;  // above the bar maximum 255: mark at y 21
  view.Refresh();
  const QColor red(255, 0, 0);
  const QColor green(0, 255, 0);  // channel 1
  for (int x = 40; x < 60; ++x) {
    for (int y : {0, 5, 9, kH - 30, kH - 20, kH - 1}) {
      EXPECT_NE(Px(x, y), red) << x << "," << y;
    }
  }
  for (int x = 40; x < kW - 84; ++x) {
    EXPECT_NE(Px(x, 375), green) << x;
  }
  EXPECT_FALSE(view.layout().lineShown[1]) << "a line off the plot is not grabbed either";
  EXPECT_TRUE(Px(40, 100) == red || Px(41, 100) == red) << "inside, the trace is drawn";
  EXPECT_NE(Px(780, 21), QColor(Qt::white));
}

TEST_F(KeyScopeViewTest, NoShownChannelLeavesOnlyTheEmptyStrip) {
  for (ChannelConfig& c : s.channel) {
    HideChannel(c);
    c.expanded = 0;
  }
  view.Refresh();
  EXPECT_EQ(view.layout().stripWidth, 8);
  for (int c = 0; c < 16; ++c) {
    EXPECT_FALSE(view.layout().boxVisible[c]);
    EXPECT_EQ(s.channel[c].expanded, 1);  // hidden channels come back expanded
  }
  EXPECT_EQ(Px(772, 200), QColor(Qt::black));
}

TEST_F(KeyScopeViewTest, ThresholdDragSetsEveryChannelOutsideModeOne) {
  s.parameterMode = 2;
  Hover({100, 70});  // channel 0's line: (100 - 40) + 10
  EXPECT_EQ(view.hoverCode(), 9);
  EXPECT_EQ(view.hoverChannel(), 0);
  EXPECT_EQ(view.cursor().shape(), Qt::SizeVerCursor);
  Drag({100, 70}, {100, 50});
  for (const ChannelConfig& c : s.channel) {
    EXPECT_EQ(c.threshold, 60);
    EXPECT_EQ(c.thresholdDelta, 0);
  }
  EXPECT_EQ(s.debounceTime, 60);
  EXPECT_EQ(view.hoverCode(), 9);  // re-hovered on the moved line
  EXPECT_EQ(fields.unsentThresholds, 0xFFFF) << "every key's threshold changed on screen only";
}

// Amber pixels in a part of the view's surface.
int AmberIn(const QImage& surface, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      n += surface.pixelColor(x, y) == QColor(255, 176, 0) ? 1 : 0;
    }
  }
  return n;
}

TEST_F(KeyScopeViewTest, ADraggedThresholdIsMarkedAndItsLineLabelledWhenPointedAt) {
  Drag({100, 70}, {100, 50});  // CH0 alone in mode 1: 40 -> 60
  EXPECT_EQ(fields.unsentThresholds, 1);
  const int end = kW - view.layout().stripWidth - 4;
  const QRect label(200 + 12, 50 - 30, 160, 29);  // beside the pointer, above the line
  Hover({200, 300});
  EXPECT_GT(AmberIn(view.surface(), QRect(end - 7, 46, 8, 9)), 10) << "no mark at the line's end";
  EXPECT_EQ(AmberIn(view.surface(), label), 0);
  Hover({200, 50});
  EXPECT_GT(AmberIn(view.surface(), label), 20) << "no label while pointing at the line";
  fields.unsentThresholds = 0;  // sent
  view.Refresh();
  EXPECT_EQ(AmberIn(view.surface(), QRect(end - 7, 46, 8, 9)), 0);
  EXPECT_EQ(AmberIn(view.surface(), label), 0) << "the label of a sent threshold is not amber";
}

TEST_F(KeyScopeViewTest, ZoomSwitchAndHeaderClicks) {
  // Slider (620, 286, 716, 318) at zoom 1: the 16 switches reach under its
  // usual place at W 800, so it sits above their labels.
  const QPoint knob(625, 306);
  Hover(knob);
  EXPECT_EQ(view.hoverCode(), 10);
  EXPECT_EQ(view.cursor().shape(), Qt::SizeHorCursor);
  Drag(knob, knob + QPoint(96, 0));  // would give 21
  EXPECT_EQ(s.zoom, 1);
  Drag(knob, knob + QPoint(48, 0));
  EXPECT_EQ(s.zoom, 11);

  Hover({56 + 41 * 5 + 5, kH - 50});
  EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
  fields.coordChannel = 2;
  Click({56 + 41 * 5 + 5, kH - 50});
  EXPECT_TRUE(IsChannelEnabled(s.channel[5]));
  EXPECT_EQ(fields.coordChannel, 5);
  EXPECT_EQ(fields.coordAux, 2);

  // Channel 0's box is now the rightmost of four; collapse channel 1.
  s.channel[1].expanded = 0;
  view.Refresh();
  const keyscope::Rect box = view.layout().boxes[1];
  Click({box.left + 5, 200});
  EXPECT_EQ(s.channel[1].expanded, 0);
  Click({box.left + 5, box.top + 5});
  EXPECT_EQ(s.channel[1].expanded, 1);
}

TEST(KeyScopeInFrameTest, WritesFrameCountAndHoverTexts) {
  GlobalSettings::ResetInstanceForTest();
  test::SimAdapter sim;
  CaptureContext ctx;
  CMainFrame frame(ctx, sim.adapter);
  frame.resize(1200, 900);
  frame.show();
  QApplication::processEvents();
  CViewKeyScope* view = frame.viewKeyScope();
  ASSERT_GT(view->height(), 100);
  view->Refresh();
  EXPECT_EQ(frame.StatusPaneText(129), "data: 0");
  const keyscope::Rect square = keyscope::SwitchSquare(3, view->height());
  QMouseEvent move(QEvent::MouseMove, QPointF(square.left + 2, square.top + 2),
                   QPointF(square.left + 2, square.top + 2), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(view, &move);
  EXPECT_EQ(frame.statusBar()->currentMessage(), "Switch CH3.");
  frame.close();
}

}  // namespace
}  // namespace padscope
