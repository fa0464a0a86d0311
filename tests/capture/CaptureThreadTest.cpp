// The capture thread end to end on the simulated adapter.
#include <gtest/gtest.h>

#include <mutex>

#include "capture/CaptureContext.h"
#include "capture/CaptureControl.h"
#include "capture/CaptureThread.h"
#include "common/MessageLogRecorder.h"
#include "common/SimFixture.h"
#include "common/TestCaptureHost.h"
#include "common/Wait.h"
#include "link/Opcodes.h"
#include "platform/MessageLog.h"
#include "state/GlobalSettings.h"

namespace padscope {
namespace {

using test::WaitFor;

class CaptureThreadTest : public ::testing::TestWithParam<std::tuple<SimModel, SimLayout>> {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    settings().bufferFrames = 4096;
    ctx.cycleSleepMs = 0;
  }
  void TearDown() override {
    if (ctx.runState == kRunRunning) {
      StopCapture(ctx, sim.adapter, host);
    }
  }
  static SimConfig Config() {
    SimConfig c = test::FastSimConfig(std::get<0>(GetParam()));
    c.layout = std::get<1>(GetParam());
    return c;
  }
  static GlobalSettings& settings() { return GlobalSettings::Instance(); }
  bool Doubled() const { return std::get<1>(GetParam()) != SimLayout::Single16; }
  std::vector<std::string> Log() { return log.Lines(); }

  test::SimAdapter sim{Config()};
  test::TestCaptureHost host;
  CaptureContext ctx;
  test::MessageLogRecorder log;
};

TEST_P(CaptureThreadTest, FramesFlowUntilStop) {
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  EXPECT_EQ(ctx.runState, kRunRunning);
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 40; }));
  StopCapture(ctx, sim.adapter, host);
  EXPECT_TRUE(ctx.threadFinished);
  EXPECT_EQ(ctx.runState, kRunStopped);
  EXPECT_FALSE(sim.sim->IsStreaming());

  const int expectedLayout = std::get<1>(GetParam()) == SimLayout::Double8Marked ? 2 : 3;
  EXPECT_EQ(ctx.FrameLayout(), expectedLayout);
  EXPECT_EQ(lastFrameLayout, expectedLayout);
  EXPECT_EQ(ctx.channelCount, Doubled() ? 8 : 16);
  EXPECT_EQ(host.Hides(), 1);
  // Every kept frame carries the channel byte and plausible raw counts.
  const int n = ctx.WriteIndex();
  for (int i = 1; i < n; ++i) {
    ASSERT_EQ(ctx.RawByte(i, 2), Doubled() ? 0x88 : 0x10) << i;
    const int32_t plain = ctx.RawValue(i, 0) - kValueOffset;
    ASSERT_GT(plain, 500) << i;
    ASSERT_LE(ctx.FrameAt(i - 1)->timestamp, ctx.FrameAt(i)->timestamp);
  }
}

TEST_P(CaptureThreadTest, ValueWidthIsReportedFiveTimes) {
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 10; }));
  StopCapture(ctx, sim.adapter, host);
  const int width = Doubled() ? kValueWidthDouble : kValueWidthSingle;
  EXPECT_EQ(host.Widths(), std::vector<int>(5, width));
  EXPECT_EQ(settings().singleByteMode, Doubled() ? 0 : 1);
  EXPECT_EQ(host.doubleByteShown, Doubled() ? 1 : 0);

  // The next Start counts again, and a Pelmira is told the last width.
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return host.Widths().size() == 10; }));
  StopCapture(ctx, sim.adapter, host);
}

TEST_P(CaptureThreadTest, StartCommandOfTheModel) {
  host.doubleByteShown = 1;
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 1; }));
  StopCapture(ctx, sim.adapter, host);
  const auto commands = sim.Written(SimChannel::Command);
  ASSERT_GE(commands.size(), 2u);
  const bool corvex = std::get<0>(GetParam()) == SimModel::Corvex;
  const size_t opcodeAt = corvex ? 16 : 8;  // report id first
  EXPECT_EQ(commands.front()[opcodeAt], corvex ? kOpStartStream : kOpStartStreamP);
  if (!corvex) {
    EXPECT_EQ(commands.front()[5], 1) << "doubleByteShown travels in byte 4";
  }
  // A read that failed once the stream stopped may ask for the status after it.
  const uint8_t stop = corvex ? kOpStopStream : kOpStopStreamP;
  EXPECT_TRUE(std::any_of(commands.begin() + 1, commands.end(),
                          [&](const auto& c) { return c[opcodeAt] == stop; }));
}

TEST_P(CaptureThreadTest, AutoBalanceMeasuresOnlyDecodedValues) {
  for (int i = 0; i < 16; ++i) {
    settings().channel[i].flags = i < 2 ? 0x80 : 0;
    settings().channel[i].rawMin = 0x10000;  // above every stored value
    settings().channel[i].rawMax = -1;
  }
  ctx.autoBalance = true;
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 10; }));
  // All-0xFF frames are kept but never decoded: their values read 0.
  sim.sim->InjectFrameFault(SimFrameFault::AllFF, 3);
  const int from = ctx.WriteIndex();
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= from + 10; }));
  StopCapture(ctx, sim.adapter, host);

  EXPECT_EQ(host.Hides(), 0) << "the running measurement keeps its button";
  for (int i = 0; i < 2; ++i) {
    const ChannelConfig& c = settings().channel[i];
    // The simulated raw counts lie far above zero; neither the blanked frame 0
    // nor an undecoded frame may reach the span.
    EXPECT_GT(c.rawMin, kValueOffset + 500) << i;
    EXPECT_GE(c.rawMax, c.rawMin) << i;
  }
  EXPECT_EQ(settings().channel[2].rawMax, -1) << "hidden channels are not tracked";
  // The first value measured sets both bounds, before the next channel's.
  const auto lines = Log();
  ASSERT_GE(lines.size(), 2u);
  const std::string prefix = "CH 0 min 65536 -> ";
  ASSERT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "CH 0 max -1 -> " + lines[0].substr(prefix.size()));
}

TEST_P(CaptureThreadTest, FullBufferKeepsItsNewestHalf) {
  settings().bufferFrames = 32;
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return sim.sim->FramesDelivered() >= 120; }));
  StopCapture(ctx, sim.adapter, host);
  EXPECT_EQ(ctx.frameCapacity, 32);
  EXPECT_GE(ctx.WriteIndex(), 16);
  EXPECT_LT(ctx.WriteIndex(), 32);
  for (int i = 1; i < ctx.WriteIndex(); ++i) {
    EXPECT_LE(ctx.FrameAt(i - 1)->timestamp, ctx.FrameAt(i)->timestamp) << i;
  }
}

std::string ParamName(const ::testing::TestParamInfo<std::tuple<SimModel, SimLayout>>& info) {
  static const char* const kLayouts[] = {"Single16", "Double8Marked", "Double8Plain"};
  const bool corvex = std::get<0>(info.param) == SimModel::Corvex;
  return std::string(corvex ? "Corvex" : "Pelmira") +
         kLayouts[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(ModelsAndLayouts, CaptureThreadTest,
                         ::testing::Combine(::testing::Values(SimModel::Pelmira, SimModel::Corvex),
                                            ::testing::Values(SimLayout::Single16,
                                                              SimLayout::Double8Marked,
                                                              SimLayout::Double8Plain)),
                         ParamName);

class CaptureFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    GlobalSettings::Instance().bufferFrames = 4096;
    ctx.cycleSleepMs = 0;
  }
  void TearDown() override {
    if (ctx.runState == kRunRunning) {
      StopCapture(ctx, sim.adapter, host);
    }
  }
  test::SimAdapter sim;
  test::TestCaptureHost host;
  CaptureContext ctx;
};

TEST_F(CaptureFaults, NoAdapterAtStart) {
  sim.sim->Unplug();
  EXPECT_FALSE(StartCapture(ctx, sim.adapter, host));
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"NO device."});
  EXPECT_EQ(ctx.runState, kRunStopped);
  EXPECT_TRUE(ctx.threadFinished);

  // Unplugged after a capture, without a replug: the old handles are stale.
  sim.sim->Replug();
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  StopCapture(ctx, sim.adapter, host);
  sim.sim->Unplug();
  EXPECT_FALSE(StartCapture(ctx, sim.adapter, host));
  EXPECT_EQ(host.Messages(), std::vector<std::string>(2, "NO device."));
  EXPECT_EQ(ctx.runState, kRunStopped);
}

TEST_F(CaptureFaults, UnplugMidCaptureIsSurvivedAndStopStillWorks) {
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 10; }));
  sim.sim->Unplug();
  const int before = ctx.WriteIndex();
  // The thread keeps cycling on failed reads without writing frames.
  EXPECT_FALSE(ctx.threadFinished);
  StopCapture(ctx, sim.adapter, host);
  EXPECT_TRUE(ctx.threadFinished);
  EXPECT_LE(ctx.WriteIndex(), before + 1);
  EXPECT_EQ(ctx.runState, kRunStopped);
}

TEST_F(CaptureFaults, RemovalEndsCaptureAndReplugStartsAgain) {
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(host.devicePresent) << "Start saw the adapter";
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 10; }));
  sim.sim->Unplug();
  EXPECT_TRUE(HandleDeviceRemoval(ctx, host));
  EXPECT_EQ(ctx.runState, kRunStopped);
  ASSERT_TRUE(WaitFor([&] { return ctx.threadFinished.load(); }));

  sim.sim->Replug();
  HandleDeviceArrival(sim.adapter, host);
  EXPECT_TRUE(host.devicePresent);
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 10; }));
  StopCapture(ctx, sim.adapter, host);
}

TEST_F(CaptureFaults, StartWaitsForAThreadThatWasToldToStop) {
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(HandleDeviceRemoval(ctx, host));
  // runState reads 0 at once; the old thread may still be running.
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 5; }));
  StopCapture(ctx, sim.adapter, host);
  EXPECT_TRUE(ctx.threadFinished);
}

// Quick Start/Stop pairs: the thread must not start the stream after the
// stop went out, so the adapter's last stream command is always the stop.
class CaptureStartStop : public CaptureFaults, public ::testing::WithParamInterface<SimModel> {
 protected:
  test::SimAdapter model{test::FastSimConfig(GetParam())};
};

TEST_P(CaptureStartStop, StopRightAfterStart) {
  const bool corvex = GetParam() == SimModel::Corvex;
  const uint8_t start = corvex ? kOpStartStream : kOpStartStreamP;
  const uint8_t stop = corvex ? kOpStopStream : kOpStopStreamP;
  for (int pair = 0; pair < 50; ++pair) {
    ASSERT_TRUE(StartCapture(ctx, model.adapter, host));
    StopCapture(ctx, model.adapter, host);
    ASSERT_TRUE(ctx.threadFinished);
    ASSERT_FALSE(ctx.captureThread.joinable());
    ASSERT_FALSE(model.sim->IsStreaming()) << "pair " << pair;
    uint8_t last = 0;
    for (const SimCommand& c : model.sim->Commands()) {
      last = c.opcode == start || c.opcode == stop ? c.opcode : last;
    }
    ASSERT_EQ(last, stop) << "pair " << pair;
  }
}

INSTANTIATE_TEST_SUITE_P(Models, CaptureStartStop,
                         ::testing::Values(SimModel::Pelmira, SimModel::Corvex),
                         [](const auto& info) {
                           return info.param == SimModel::Corvex ? "Corvex" : "Pelmira";
                         });

TEST_F(CaptureFaults, APauseInTheStreamIsNoFailedRead) {
  SimConfig slow = test::FastSimConfig();
  slow.framesPerSecond = 25;  // 40 ms between frames
  test::SimAdapter paced(slow);
  paced.adapter.SetStreamTimeoutMs(10);
  ASSERT_TRUE(StartCapture(ctx, paced.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return paced.sim->FramesDelivered() >= 5; }));
  StopCapture(ctx, paced.adapter, host);
  const std::vector<SimCommand> commands = paced.sim->Commands();
  EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                          [](const SimCommand& c) { return c.opcode == kOpReadStatus; }),
            0);
}

TEST_F(CaptureFaults, DamagedFramesAreHandled) {
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 10; }));
  sim.sim->InjectFrameFault(SimFrameFault::ZeroChannelByte, 5);
  sim.sim->InjectFrameFault(SimFrameFault::AllFF, 2000);
  ASSERT_TRUE(WaitFor([&] { return ctx.FrameLayout() == kLayoutInvalid; }));
  ASSERT_TRUE(WaitFor([&] { return ctx.FrameLayout() == 3; }));
  sim.sim->InjectFrameFault(SimFrameFault::ZeroBytes3To6, 3);
  const int from = ctx.WriteIndex();
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= from + 10; }));
  StopCapture(ctx, sim.adapter, host);
  // Frames whose bytes 3..6 were zero inherited them from the frame before.
  for (int i = from; i < ctx.WriteIndex(); ++i) {
    const bool zero = ctx.RawByte(i, 3) == 0 && ctx.RawByte(i, 4) == 0 && ctx.RawByte(i, 5) == 0 &&
                      ctx.RawByte(i, 6) == 0;
    EXPECT_FALSE(zero) << i;
  }
}

TEST_F(CaptureFaults, LowPrecisionSamplingStillReads) {
  GlobalSettings::Instance().highPrecisionSampling = 0;
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 10; }));
  StopCapture(ctx, sim.adapter, host);
}

TEST(SamplingPeriod, TimesTimesElapse) {
  EXPECT_EQ(SamplingPeriodMs(10, 15), 15u);
  EXPECT_EQ(SamplingPeriodMs(16, 0), 0u);
  EXPECT_EQ(SamplingPeriodMs(0, 15), 0u);
  EXPECT_EQ(SamplingPeriodMs(3, 1), 0u);  // 0.3 ms truncates to 0
  EXPECT_EQ(SamplingPeriodMs(100, 100), 1000u);
  // Periods beyond an hour keep their length.
  EXPECT_EQ(SamplingPeriodMs(40000, 990), 3960000u);
  EXPECT_EQ(SamplingPeriodMs(65535, 65535), 429483622u);
  EXPECT_EQ(SamplingPeriodMs(-5, 15), 0u);
}

}  // namespace
}  // namespace padscope
