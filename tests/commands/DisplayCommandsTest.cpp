// The main frame's display commands on plain records: window arithmetic,
// the reference sample, panning with its clamps, and the channel modes.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "commands/DisplayCommands.h"
#include "common/TestCaptureHost.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"

namespace padscope {
namespace {

constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();

class DisplayCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ctx.AllocateFrames(512)); }

  // n frames whose channel values are base + frame index, stamped 10 ms apart
  // from `firstStamp`.
  void FillFrames(int n, int32_t rawBase = 0x8000, int32_t secondBase = 0x8000,
                  uint32_t firstStamp = 10000) {
    for (int i = 0; i < n; ++i) {
      for (int ch = 0; ch < kFrameChannels; ++ch) {
        ctx.SetRawValue(i, ch, rawBase + i);
        ctx.SetSecondValue(i, ch, secondBase + i);
      }
      ctx.FrameForWrite(i)->timestamp = firstStamp + 10u * static_cast<uint32_t>(i);
    }
    ctx.writeIndex = n;
  }

  DisplayResult Run(int id) { return RunDisplayCommand(id, {settings, ctx, frame, host}); }

  GlobalSettings settings;
  CaptureContext ctx;
  FrameFields frame;
  test::TestCaptureHost host;
};

TEST_F(DisplayCommandsTest, OutputZoomStaysBetweenOneAndEighteen) {
  settings.zoom = 1;
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(Run(kCmdOutputZoomUp).repaint, kRefreshKeyScope);
  }
  EXPECT_EQ(settings.zoom, 18);
  Run(kCmdOutputZoomDown);
  EXPECT_EQ(settings.zoom, 17);

  settings.zoom = 1;
  Run(kCmdOutputZoomDown);
  EXPECT_EQ(settings.zoom, 1);
  // A garbage zoom from the settings file neither overflows nor sticks below 1.
  settings.zoom = kIntMin;
  Run(kCmdOutputZoomDown);
  EXPECT_EQ(settings.zoom, 1);
  settings.zoom = kIntMax;
  Run(kCmdOutputZoomUp);
  EXPECT_EQ(settings.zoom, 18);
}

TEST_F(DisplayCommandsTest, PageUpAndDownMoveBothEndsOfTheRawWindowOnly) {
  settings.rangeMax = 4000;
  settings.rangeMin = 100;
  settings.keyRangeMax = 120;
  settings.keyRangeMin = 7;
  for (int id : {kCmdRangeUp, kCmdRangeUpKey}) {
    EXPECT_EQ(Run(id).repaint, kRefreshScope);
  }
  EXPECT_EQ(settings.rangeMax, 4002);
  EXPECT_EQ(settings.rangeMin, 102);
  for (int id : {kCmdRangeDown, kCmdRangeDownKey, kCmdRangeDown}) {
    Run(id);
  }
  EXPECT_EQ(settings.rangeMax, 3999);
  EXPECT_EQ(settings.rangeMin, 99);
  EXPECT_EQ(settings.keyRangeMax, 120);
  EXPECT_EQ(settings.keyRangeMin, 7);

  settings.rangeMax = kIntMax;
  settings.rangeMin = kIntMin;
  Run(kCmdRangeUp);
  Run(kCmdRangeDown);
  Run(kCmdRangeDown);
  EXPECT_EQ(settings.rangeMax, kIntMax - 2);
  EXPECT_EQ(settings.rangeMin, kIntMin);
}

TEST_F(DisplayCommandsTest, SwitchesAndKeyRangeSteps) {
  EXPECT_EQ(Run(kCmdDataMode).repaint, kRepaintNone);
  EXPECT_EQ(settings.timeAxisMode, 0);
  Run(kCmdTimeMode);
  EXPECT_EQ(settings.timeAxisMode, 1);
  Run(kCmdLowPrecision);
  EXPECT_EQ(settings.highPrecisionSampling, 0);
  Run(kCmdHighPrecision);
  EXPECT_EQ(settings.highPrecisionSampling, 1);

  EXPECT_EQ(Run(kCmdLowRangeAsBottom).repaint, kRefreshKeyScope);
  EXPECT_EQ(settings.lowRangeAsBottom, 1);
  Run(kCmdLowRangeAsBottom);
  EXPECT_EQ(settings.lowRangeAsBottom, 0);

  settings.keyRangeMax = 100;
  EXPECT_EQ(Run(kCmdKeyRangeUp).repaint, kRefreshKeyScope);
  Run(kCmdKeyRangeUp);
  Run(kCmdKeyRangeDown);
  EXPECT_EQ(settings.keyRangeMax, 101);
  settings.keyRangeMax = kIntMax;
  Run(kCmdKeyRangeUp);
  EXPECT_EQ(settings.keyRangeMax, kIntMax);

  EXPECT_EQ(Run(kCmdFollowRawValue).repaint, kRepaintNone);
  EXPECT_EQ(frame.followRawValue, 1);
  Run(kCmdFollowRawValue);
  EXPECT_EQ(frame.followRawValue, 0);

  // Set TK Range runs its dialog first; the frame toggles afterwards.
  EXPECT_FALSE(Run(kCmdSetTkRange).handled);
  EXPECT_FALSE(Run(kCmdAbout).handled);
  EXPECT_EQ(ToggleTkRangeShown(frame), kRedrawScope);
  EXPECT_EQ(frame.tkRangeShown, 1);
}

TEST_F(DisplayCommandsTest, ReferenceSampleIsNewestUpToHundredFramesThenHundredBack) {
  EXPECT_EQ(ReadReferenceSample(ctx, 0).frameIndex, -1);
  EXPECT_EQ(ReadReferenceSample(ctx, 0).v, 0);

  FillFrames(100, 0x8000 + 1000, 0x8000 + 50);
  ReferenceSample ref = ReadReferenceSample(ctx, 3);
  EXPECT_EQ(ref.frameIndex, 99);
  EXPECT_EQ(ref.v, 0x8000 + 1000 + 99);
  EXPECT_EQ(ref.w, 0x8000 + 50 + 99);

  FillFrames(101, 0x8000 + 1000, 0x8000 + 50);
  EXPECT_EQ(ReadReferenceSample(ctx, 3).frameIndex, 1);
  FillFrames(250, 0x8000 + 1000, 0x8000 + 50);
  ref = ReadReferenceSample(ctx, 3);
  EXPECT_EQ(ref.frameIndex, 150);
  EXPECT_EQ(ref.v, 0x8000 + 1000 + 150);

  // A negative channel reads nothing; one past the frame's sixteen reads 0.
  for (int channel : {-1, 16, 1000, kIntMax}) {
    ref = ReadReferenceSample(ctx, channel);
    EXPECT_EQ(ref.v, 0) << channel;
    EXPECT_EQ(ref.w, 0) << channel;
  }
}

TEST_F(DisplayCommandsTest, PositioningWithoutDataUsesZeroSamples) {
  settings.singleByteMode = 0;
  settings.keyRangeMin = 12;
  frame.coordStep = 77;
  EXPECT_EQ(Run(kCmdPositionCoordinates).repaint, kRedrawBoth);
  EXPECT_EQ(settings.rangeMax, 2000 - 32765);
  EXPECT_EQ(settings.rangeMin, 2000 - 32773);
  EXPECT_EQ(settings.keyRangeMax, 255);  // d = -32768
  EXPECT_EQ(settings.keyRangeMin, 12);
  EXPECT_EQ(frame.coordStep, 1);
  EXPECT_EQ(frame.coordFirst, 0);
}

TEST_F(DisplayCommandsTest, PositioningInDoubleByteModePlacesKeyMaximumByThresholds) {
  settings.singleByteMode = 0;
  struct Case {
    int32_t d;
    int32_t keyRangeMax;
  };
  for (Case c : {Case{-32768, 255}, Case{-101, 255}, Case{-100, 120}, Case{0, 220}, Case{220, 440},
                 Case{221, 221}, Case{799, 799}, Case{800, 255}, Case{30000, 255}}) {
    ctx.ResetFrames();
    FillFrames(1, 0x8000 + 700, 0x8000 + c.d);
    frame.coordFirst = 1;
    settings.keyRangeMin = 3;
    PositionCoordinates(settings, ctx, frame);
    EXPECT_EQ(settings.keyRangeMax, c.keyRangeMax) << "d " << c.d;
    EXPECT_EQ(settings.keyRangeMin, 3);
    EXPECT_EQ(settings.rangeMax, 2000 + 700 + 3);
    EXPECT_EQ(settings.rangeMin, 2000 + 700 - 5);
  }
}

TEST_F(DisplayCommandsTest, PositioningInSingleByteModeTakesTheChannelsKeyWindow) {
  settings.singleByteMode = 1;
  settings.channel[5].secondMax = 200;
  settings.channel[5].secondMaxDelta = -20;
  settings.channel[5].secondMin = 10;
  settings.channel[5].secondMinDelta = 4;
  frame.coordChannel = 5;
  FillFrames(10);
  PositionCoordinates(settings, ctx, frame);
  EXPECT_EQ(settings.keyRangeMax, 180);
  EXPECT_EQ(settings.keyRangeMin, 14);

  // A channel beyond the sixteen has no key window to take; nothing breaks.
  frame.coordFirst = 1;
  frame.coordChannel = 40;
  settings.keyRangeMax = 66;
  PositionCoordinates(settings, ctx, frame);
  EXPECT_EQ(settings.keyRangeMax, 66);
  EXPECT_EQ(settings.rangeMax, 2000 - 32765);

  frame.coordChannel = -4;
  PositionCoordinates(settings, ctx, frame);
  EXPECT_EQ(frame.coordChannel, 0);
}

TEST_F(DisplayCommandsTest, PositioningAgainChangesOnlyTheRawWindow) {
  settings.singleByteMode = 0;
  FillFrames(20, 0x8000 + 500, 0x8000 + 100);
  PositionCoordinates(settings, ctx, frame);
  EXPECT_EQ(settings.keyRangeMax, 100 + 19 + 220);

  settings.keyRangeMax = 42;
  FillFrames(20, 0x8000 + 900, 0x8000 + 600);
  PositionCoordinates(settings, ctx, frame);
  EXPECT_EQ(settings.keyRangeMax, 42);
  EXPECT_EQ(settings.rangeMax, 2000 + 919 + 3);

  // Load Data sets coordFirst again, and the key window follows once more.
  frame.coordFirst = 1;
  PositionCoordinates(settings, ctx, frame);
  EXPECT_EQ(settings.keyRangeMax, 619);
}

TEST_F(DisplayCommandsTest, CoordinateZoomSpansFollowTheStep) {
  FillFrames(5, 0x8000 + 1000);
  const int32_t centre = 2000 + 1004;
  frame.coordStep = 1;
  EXPECT_EQ(Run(kCmdCoordZoomIn).repaint, kRedrawBoth);
  EXPECT_EQ(frame.coordStep, 1);
  EXPECT_EQ(settings.rangeMax, centre + 3);
  EXPECT_EQ(settings.rangeMin, centre - 5);
  EXPECT_EQ(frame.dragState[kDragZoomIn], 1);

  // Zoom in spans use the lowered step.
  frame.coordStep = 10;
  Run(kCmdCoordZoomIn);
  EXPECT_EQ(frame.coordStep, 9);
  EXPECT_EQ(settings.rangeMax, centre + 27);
  EXPECT_EQ(settings.rangeMin, centre - 45);

  frame.dragState[kDragZoomIn] = 0;
  frame.coordStep = 1;
  for (int i = 0; i < 10000; ++i) {
    Run(kCmdCoordZoomOut);
  }
  EXPECT_EQ(frame.coordStep, 10000);
  EXPECT_EQ(settings.rangeMax, centre + 30000);
  EXPECT_EQ(settings.rangeMin, centre - 50000);
  EXPECT_EQ(frame.dragState[kDragZoomIn], 0);
}

TEST_F(DisplayCommandsTest, PansAccelerateAndFirstPanIsNotClamped) {
  FillFrames(300);  // stamps 10000 .. 12990
  ctx.lastSampleTime = 12990;
  std::vector<uint32_t> ends;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Run(kCmdPanLeft).repaint, kRedrawBoth);
    ends.push_back(ctx.lastSampleTime);
  }
  EXPECT_EQ(ctx.liveEndTime, 12990u);
  EXPECT_EQ(ends, (std::vector<uint32_t>{12890, 12740, 12540, 12290}));
  EXPECT_EQ(frame.panStep, 5);

  // Panning right goes on accelerating and stops at the saved live time.
  PanRight(ctx, frame);
  EXPECT_EQ(ctx.lastSampleTime, 12590u);
  PanRight(ctx, frame);
  EXPECT_EQ(ctx.lastSampleTime, 12940u);
  PanRight(ctx, frame);
  EXPECT_EQ(ctx.lastSampleTime, 12990u);
}

TEST_F(DisplayCommandsTest, PanRightFirstGoesBeyondTheNewestSample) {
  FillFrames(300);
  ctx.lastSampleTime = 12990;
  PanRight(ctx, frame);
  EXPECT_EQ(ctx.lastSampleTime, 13090u);
  EXPECT_EQ(ctx.liveEndTime, 12990u);
  PanRight(ctx, frame);
  EXPECT_EQ(ctx.lastSampleTime, 12990u);
}

TEST_F(DisplayCommandsTest, PanLeftStopsOneSecondAfterTheEarliestFrame) {
  FillFrames(300);
  // The newest frame does not count towards the earliest stamp; an older one does.
  ctx.FrameForWrite(299)->timestamp = 5;
  ctx.FrameForWrite(40)->timestamp = 9000;
  ctx.lastSampleTime = 12980;
  for (int i = 0; i < 30; ++i) {
    PanLeft(ctx, frame);
  }
  EXPECT_EQ(ctx.lastSampleTime, 10000u);
}

TEST_F(DisplayCommandsTest, PanWithoutFramesUsesTheWrappedBoundAndUnsignedTimes) {
  ctx.lastSampleTime = 50;
  PanLeft(ctx, frame);
  EXPECT_EQ(ctx.lastSampleTime, 50u - 100u);  // wraps; the first pan is not clamped
  EXPECT_EQ(ctx.liveEndTime, 50u);

  // Without frames the lower bound is 0xFFFFFFFF + 1000 = 999.
  ctx.lastSampleTime = 1000;
  ctx.liveEndTime = 1000;
  PanLeft(ctx, frame);
  EXPECT_EQ(ctx.lastSampleTime, 999u);
}

TEST_F(DisplayCommandsTest, ChannelModesResetTheChannels) {
  for (ChannelConfig& ch : settings.channel) {
    ch.secondMax = 999;
    ch.secondMaxDelta = 5;
    ch.secondMin = 17;
    ch.threshold = 33;
  }
  DisplayResult r = Run(kCmdDoubleByte8Tk);
  EXPECT_STREQ(r.channelModeText, "Double 8TK");
  EXPECT_EQ(r.repaint, kRepaintNone);
  EXPECT_EQ(settings.singleByteMode, 0);
  EXPECT_EQ(host.doubleByteShown, 1);
  for (const ChannelConfig& ch : settings.channel) {
    EXPECT_EQ(ch.threshold, 90);
    EXPECT_EQ(ch.secondMax, 999);
  }

  r = Run(kCmdSingleByte16Tk);
  EXPECT_STREQ(r.channelModeText, "Single 16TK");
  EXPECT_EQ(settings.singleByteMode, 1);
  EXPECT_EQ(host.doubleByteShown, 0);
  for (const ChannelConfig& ch : settings.channel) {
    EXPECT_EQ(ch.threshold, 40);
    EXPECT_EQ(ch.secondMax, 255);
    EXPECT_EQ(ch.secondMaxDelta, 0);
    EXPECT_EQ(ch.secondMin, 0);
  }
}

}  // namespace
}  // namespace padscope
