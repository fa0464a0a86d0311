// Both scope views draw their traces from runs of frames per pixel column;
// the picture must be the one the walk that joins every frame to the next
// draws, pixel for pixel, on a recording and on random frames, at every time
// scale, panned, and in frame-number mode, measurement cursors included.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <random>

#include "capture/CaptureContext.h"
#include "sim/SimFrameLayout.h"
#include "sim/TouchModel.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "tuning/MeasureCursors.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"

namespace padscope {
namespace {

constexpr int kW = 900;
constexpr int kH = 420;
// Past one top-level block, so that every level of the summaries is drawn from.
constexpr int kFrames = 40000;

// The simulated touch chip's frames through the decoder, 1 ms apart with a
// pause now and then.
void Record(CaptureContext& ctx) {
  const TouchModel model(7);
  std::array<uint8_t, 16> thresholds;
  thresholds.fill(40);
  ctx.layoutStreak = 10;
  ctx.candidateLayout = 3;
  for (int i = 0; i < kFrames; ++i) {
    const SimFrame raw =
        EncodeFrame(model, static_cast<uint64_t>(i), SimLayout::Single16, thresholds);
    std::memcpy(ctx.FrameForWrite(i)->raw, raw.data(), raw.size());
    ctx.DecodeFrame(1, 5000u + static_cast<uint32_t>(i + (i / 7000) * 300));
    ctx.CommitFrame(i);
  }
}

// Values that wander in bursts and now and then reach either end of the
// 16-bit range, and stamps that mostly rise but jitter back, jump and
// sometimes lie past the newest frame's.
void Randomize(CaptureContext& ctx) {
  std::mt19937 rng(3);
  uint32_t t = 5000;
  int level = 0x8000;
  for (int i = 0; i < kFrames; ++i) {
    SampleFrame* f = ctx.FrameForWrite(i);
    if (rng() % 64 == 0) {
      level = 0x8000 + static_cast<int>(rng() % 2000) - 1500;
    }
    const bool extreme = rng() % 2000 == 0;
    for (int k = 0; k < kFrameChannels; ++k) {
      const int noise = static_cast<int>(rng() % 200) - 100;
      const int v = extreme ? (k % 2 == 0 ? 0 : 0xFFFF) : level + noise * (k + 1);
      f->rawValue[k] = static_cast<uint16_t>(std::clamp(v, 0, 0xFFFF));
      f->secondValue[k] = static_cast<uint16_t>(extreme ? 0xFFFF : rng() % 120);
    }
    t += rng() % 3;
    const int r = static_cast<int>(rng() % 1000);
    f->timestamp = r == 0 ? t + 900000 : r < 20 ? t - rng() % 40 : t;
    ctx.CommitFrame(i);
  }
  ctx.channelCount = 16;
}

class TracePicture : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    for (ChannelConfig& ch : s.channel) {
      ShowChannel(ch);
    }
    s.rangeMin = 0;
    s.rangeMax = 2600;
    ASSERT_TRUE(ctx.AllocateFrames(kFrames + 10));
    GetParam() ? Record(ctx) : Randomize(ctx);
    ASSERT_EQ(ctx.SummarizedFrames(), kFrames);
    ctx.lastSampleTime = ctx.FrameAt(kFrames - 1)->timestamp;
    scope.resize(kW, kH);
    keyScope.resize(kW, kH);
  }

  // Paints the view both ways; the surfaces and the last points must agree.
  // Returns how many pixels of channel 5's colour the picture has.
  int ExpectSamePicture(CScopeViewBase& view, int group, const char* what) {
    view.SetTraceWalk(CScopeViewBase::TraceWalk::kLines);
    view.Refresh();
    const QImage lines = view.surface().copy(0, 0, kW, kH);
    const auto lastByLines = ctx.lastPoint[group];
    view.SetTraceWalk(CScopeViewBase::TraceWalk::kRuns);
    view.Refresh();
    const QImage runs = view.surface().copy(0, 0, kW, kH);
    const uint32_t bgr = s.channelColor[5];
    const QRgb traceColour = qRgb(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                                  static_cast<int>((bgr >> 16) & 0xFF));
    int differ = 0;
    int traced = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        differ += lines.pixel(x, y) != runs.pixel(x, y) ? 1 : 0;
        traced += lines.pixel(x, y) == traceColour ? 1 : 0;
      }
    }
    EXPECT_EQ(differ, 0) << what;
    for (int c = 0; c < kFrameChannels; ++c) {
      EXPECT_EQ(ctx.lastPoint[group][c].x, lastByLines[c].x) << what << " channel " << c;
      EXPECT_EQ(ctx.lastPoint[group][c].y, lastByLines[c].y) << what << " channel " << c;
    }
    return traced;
  }

  GlobalSettings& s = GlobalSettings::Instance();
  CaptureContext ctx;
  FrameFields fields;
  CViewScope scope{ctx, fields};
  CViewKeyScope keyScope{ctx, fields};
};

TEST_P(TracePicture, RunsDrawWhatTheLineWalkDraws) {
  struct View {
    float msPerPixel;
    int timeAxisMode;
    int32_t shift;
  };
  // Cursor A on a frame inside a column of many frames, or on one stamped
  // past the newest frame (which no walk draws); B further back.
  int a = kFrames - 1 - 777;
  for (int i = kFrames / 2; i < kFrames; ++i) {
    if (ctx.FrameAt(i)->timestamp > ctx.lastSampleTime) {
      a = i;
      break;
    }
  }
  scope.SetMeasuring(true);
  scope.SetCursors(MeasureCursors{MarkOf(ctx, a), MarkOf(ctx, kFrames - 1 - 20000)});
  int cursorsDrawn = 0;
  int tracedScope = 0;
  int tracedKeys = 0;
  for (const View v : {View{0.125f, 1, 0}, View{1.0f, 1, 0}, View{3.0f, 1, 0}, View{47.0f, 1, 0},
                       View{800.0f, 1, 0}, View{9.0f, 1, -20000}, View{1.0f, 0, 0}}) {
    ctx.msPerPixel = v.msPerPixel;
    ctx.displayShift = v.shift;
    s.timeAxisMode = v.timeAxisMode;
    const std::string what = std::to_string(v.msPerPixel) + " ms, mode " +
                             std::to_string(v.timeAxisMode) + ", shift " + std::to_string(v.shift);
    tracedScope += ExpectSamePicture(scope, 0, ("waveform " + what).c_str());
    const std::array<int, 2> byRuns{scope.cursorX(0), scope.cursorX(1)};
    scope.SetTraceWalk(CScopeViewBase::TraceWalk::kLines);
    scope.Refresh();
    EXPECT_EQ(scope.cursorX(0), byRuns[0]) << what;
    EXPECT_EQ(scope.cursorX(1), byRuns[1]) << what;
    scope.SetTraceWalk(CScopeViewBase::TraceWalk::kRuns);
    cursorsDrawn += (byRuns[0] >= 0 ? 1 : 0) + (byRuns[1] >= 0 ? 1 : 0);
    tracedKeys += ExpectSamePicture(keyScope, 1, ("key scope " + what).c_str());
  }
  // Not two empty pictures: channel 5's trace is drawn.
  EXPECT_GT(tracedScope, 1000);
  EXPECT_GT(tracedKeys, 1000);
  EXPECT_GE(cursorsDrawn, 2);
}

INSTANTIATE_TEST_SUITE_P(RecordedAndRandom, TracePicture, ::testing::Bool());

}  // namespace
}  // namespace padscope
