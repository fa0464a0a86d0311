// The threshold list's print buttons and Auto Balance, against the simulated
// adapter.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>

#include <algorithm>
#include <array>
#include <limits>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "capture/CaptureContext.h"
#include "capture/CaptureControl.h"
#include "common/SimFixture.h"
#include "common/TestCaptureHost.h"
#include "common/Wait.h"
#include "link/Opcodes.h"
#include "platform/MessageLog.h"
#include "sim/TouchModel.h"
#include "state/GlobalSettings.h"
#include "viewlogic/ThresholdListLogic.h"

#include "common/MessageLogRecorder.h"

namespace padscope {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class ThresholdListLogicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    settings().bufferFrames = 4096;
    ctx.cycleSleepMs = 0;
  }
  void TearDown() override {
    ctx.autoBalance = false;
    if (ctx.runState == kRunRunning) {
      StopCapture(ctx, sim.adapter, host);
    }
    GlobalSettings::ResetInstanceForTest();
  }
  static GlobalSettings& settings() { return GlobalSettings::Instance(); }
  std::vector<std::string> TakeLog() { return log.Take(); }
  bool Logged(const std::string& line) { return log.Contains(line); }
  // Start commands the adapter received.
  int StartCommands() const {
    const std::vector<SimCommand> commands = sim.sim->Commands();
    return static_cast<int>(
        std::count_if(commands.begin(), commands.end(),
                      [](const SimCommand& c) { return c.opcode == kOpStartStreamP; }));
  }

  test::SimAdapter sim;
  test::TestCaptureHost host;
  CaptureContext ctx;
  test::MessageLogRecorder log;
};

TEST_F(ThresholdListLogicTest, PrintThresholdsListsChannelsBelowChannelCount) {
  for (int i = 0; i < 16; ++i) {
    settings().channel[i].threshold = 40 + i;
    settings().channel[i].thresholdDelta = i == 3 ? -5 : 0;
  }
  ctx.channelCount = 8;
  PrintThresholds(settings(), ctx);
  EXPECT_THAT(TakeLog(),
              ElementsAre("============ Threshold:", "TH 0 : 40", "TH 1 : 41", "TH 2 : 42",
                          "TH 3 : 38", "TH 4 : 44", "TH 5 : 45", "TH 6 : 46", "TH 7 : 47", ""));
  // A count beyond the sixteen channels lists the sixteen.
  ctx.channelCount = 200;
  PrintThresholds(settings(), ctx);
  EXPECT_EQ(TakeLog().size(), 18u);
}

TEST_F(ThresholdListLogicTest, PrintRawValuesOfTheNewestFrame) {
  PrintRawValues(ctx);
  EXPECT_THAT(TakeLog(), ElementsAre("No Base Line Data to Print."));

  ctx.frameLayout = 2;
  PrintRawValues(ctx);
  EXPECT_THAT(TakeLog(), ElementsAre("============ Base Line:", "No Base Line Data to Print."));

  ASSERT_TRUE(ctx.AllocateFrames(16));
  for (int ch = 0; ch < 16; ++ch) {
    ctx.SetRawValue(0, ch, 0);
    ctx.SetRawValue(1, ch, kValueOffset + 100 * ch - 50);
  }
  ctx.writeIndex = 2;
  ctx.channelCount = 8;
  PrintRawValues(ctx);
  std::vector<std::string> expected{"============ Base Line:"};
  for (int ch = 0; ch < 8; ++ch) {
    expected.push_back("BL " + std::to_string(ch) + " : " + std::to_string(100 * ch - 50));
  }
  expected.push_back("");
  EXPECT_THAT(TakeLog(), ElementsAreArray(expected));

  ctx.frameLayout = kLayoutInvalid;
  PrintRawValues(ctx);
  EXPECT_THAT(TakeLog(), ElementsAre("No Base Line Data to Print."));
}

TEST_F(ThresholdListLogicTest, ThresholdFromSpanRoundsAndNeverOverflows) {
  EXPECT_EQ(AutoBalanceThreshold(100, 600, 0.625f), 313);  // 312.5 rounds up
  EXPECT_EQ(AutoBalanceThreshold(10, 20, 0.625f), 6);      // 6.25
  EXPECT_EQ(AutoBalanceThreshold(5, 5, 0.625f), 0);
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  EXPECT_EQ(AutoBalanceThreshold(kMin, kMax, 1.0f), kMax);
  EXPECT_EQ(AutoBalanceThreshold(kMax, kMin, 1.0f), kMin);
}

TEST_F(ThresholdListLogicTest, AutoBalanceOnAStoppedSystemMeasuresAndSends) {
  settings().channel[0].flags = kChannelEnabled;
  settings().channel[2].flags = kChannelEnabled;
  EXPECT_STREQ(ToggleAutoBalance(ctx, settings(), sim.adapter, host), "Finished");
  EXPECT_EQ(ctx.runState, kRunRunning);
  EXPECT_TRUE(ctx.autoBalance);
  EXPECT_EQ(settings().channel[1].rawMax, 255);
  EXPECT_EQ(settings().channel[1].rawMin, 255);

  // The thread widens the enabled channels' spans from the reset values.
  auto widened = [&](int ch) {
    return std::atomic_ref<int32_t>(settings().channel[ch].rawMax).load() > 0;
  };
  ASSERT_TRUE(test::WaitFor([&] { return widened(0) && widened(2); }));
  const int from = ctx.WriteIndex();
  ASSERT_TRUE(test::WaitFor([&] { return ctx.WriteIndex() >= from + 20; }));
  EXPECT_EQ(StartCommands(), 1);
  EXPECT_EQ(host.Hides(), 0) << "the button stays for the second press";
  EXPECT_STREQ(ToggleAutoBalance(ctx, settings(), sim.adapter, host), "Auto Balance");
  EXPECT_FALSE(ctx.autoBalance);
  EXPECT_EQ(ctx.runState, kRunStopped);

  const std::array<uint8_t, 16> sent = sim.sim->Thresholds();
  for (int ch : {0, 2}) {
    const ChannelConfig& c = settings().channel[ch];
    // The span is that of the channel's own raw counts (offset, so above
    // 0x8000), not one against the reset values: a few frames of noise give
    // a threshold the byte holds.
    EXPECT_GT(c.rawMin, kValueOffset) << ch;
    const int t = AutoBalanceThreshold(c.rawMin, c.rawMax, ctx.thresholdFactor);
    EXPECT_LE(t, 255) << ch;
    EXPECT_EQ(sent[ch], t) << ch;
    EXPECT_TRUE(Logged("Update threshold of CH" + std::to_string(ch) + " (" + std::to_string(t) +
                       ") (" + std::to_string(c.rawMin) + " - " + std::to_string(c.rawMax) + ")"));
  }
  EXPECT_EQ(sent[1], 60) << "a disabled channel keeps the adapter's default";
}

TEST_F(ThresholdListLogicTest, AutoBalanceOnARunningCaptureDoesNotRestartIt) {
  ASSERT_TRUE(StartCapture(ctx, sim.adapter, host));
  ASSERT_TRUE(test::WaitFor([&] { return ctx.WriteIndex() >= 5; }));
  StartAutoBalance(ctx, settings(), sim.adapter, host);
  EXPECT_EQ(StartCommands(), 1);
  EXPECT_EQ(ctx.runState, kRunRunning);
  FinishAutoBalance(ctx, settings(), sim.adapter, host);
  EXPECT_EQ(ctx.runState, kRunStopped);
}

TEST_F(ThresholdListLogicTest, FinishSendsLimitedThresholdsForEnabledChannelsBelowChannelCount) {
  ctx.autoBalance = true;  // measuring, without a capture thread
  ctx.channelCount = 8;
  auto measured = [](int ch, int32_t min, int32_t max) {
    settings().channel[ch].flags = kChannelEnabled;
    settings().channel[ch].rawMin = min;
    settings().channel[ch].rawMax = max;
  };
  measured(0, 100, 600);               // T 313, limited to 255
  measured(1, 10, 20);                 // T 6
  measured(5, 0, 10000);               // T 6250, limited to 255
  measured(7, 0, 408);                 // T 255 exactly
  measured(6, 9999, 0);                // no frame arrived: not sent
  measured(9, 0, 100);                 // beyond channelCount
  settings().channel[3].rawMax = 500;  // disabled
  settings().channel[5].threshold = 77;

  EXPECT_STREQ(FinishAutoBalance(ctx, settings(), sim.adapter, host), "Auto Balance");
  const std::array<uint8_t, 16> sent = sim.sim->Thresholds();
  EXPECT_EQ(sent[0], 255);
  EXPECT_EQ(sent[1], 6);
  EXPECT_EQ(sent[5], 255);
  EXPECT_EQ(sent[7], 255);
  for (int ch : {2, 3, 6, 9}) {
    EXPECT_EQ(sent[ch], 60) << ch;
  }
  EXPECT_EQ(settings().channel[5].threshold, 77) << "the settings keep their threshold";
  EXPECT_TRUE(Logged("Update threshold of CH0 (255) (100 - 600), limited from 313"));
  EXPECT_TRUE(Logged("Update threshold of CH5 (255) (0 - 10000), limited from 6250"));
  EXPECT_TRUE(Logged("Update threshold of CH7 (255) (0 - 408)"));
  EXPECT_TRUE(Logged("No raw values measured on CH6; threshold not updated."));
}

TEST_F(ThresholdListLogicTest, FailedSendsAreReportedPerChannel) {
  ctx.autoBalance = true;
  for (int ch : {0, 1}) {
    settings().channel[ch].flags = kChannelEnabled;
    settings().channel[ch].rawMin = 0;
    settings().channel[ch].rawMax = 100;
  }
  sim.sim->Unplug();
  FinishAutoBalance(ctx, settings(), sim.adapter, host);
  const std::vector<std::string> lines = TakeLog();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "update threshold failed."), 2);
}

// --- Either value encoding ----------------------------------------------------

// A touch of the simulated chip with the given seed: its channel, its peak
// above the baseline and the frame after which it is over.
struct Touch {
  int channel = -1;
  double peak = 0;
  uint64_t over = 0;
};

Touch FindTouch(uint32_t seed, double minPeak, double maxPeak) {
  const TouchModel model(seed);
  for (int ch = 0; ch < 16; ++ch) {
    Touch t{ch};
    uint64_t first = 0;
    for (uint64_t f = 0; f < 1200; ++f) {
      const double v = model.TouchAt(ch, f);
      if (v > 0 && first == 0) {
        first = f;
      }
      if (v > 0) {
        t.over = f + 1;
      }
      t.peak = std::max(t.peak, v);
    }
    if (first > 20 && t.peak >= minPeak && t.peak <= maxPeak) {
      return t;
    }
  }
  return {};
}

class BalanceEncodings
    : public ::testing::TestWithParam<std::tuple<SimValueEncoding, int /*count shift*/>> {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    GlobalSettings::Instance().bufferFrames = 4096;
    ctx.cycleSleepMs = 0;
    // Offset words are read as such only by the user's choice.
    if (std::get<0>(GetParam()) == SimValueEncoding::Offset) {
      ctx.valueEncoding = ValueEncoding::Offset;
    }
  }
  void TearDown() override { GlobalSettings::ResetInstanceForTest(); }
  static SimConfig Config() {
    SimConfig c = test::FastSimConfig();
    c.valueEncoding = std::get<0>(GetParam());
    c.countShift = std::get<1>(GetParam());
    // At the chip's own pace: frames made as fast as they are read could fill
    // the buffer while a loaded machine keeps the test's thread waiting, and
    // its compaction would drop the frames the span was measured on.
    c.framesPerSecond = 2000;
    return c;
  }

  test::SimAdapter sim{Config()};
  test::TestCaptureHost host;
  CaptureContext ctx;
  test::MessageLogRecorder log;
};

// Auto Balance over a real touch: the span measured is the touch's, whatever
// the encoding and wherever the counts lie, so the threshold sent fits its
// byte; and the raw values printed are the chip's counts.
TEST_P(BalanceEncodings, ThresholdOfATouchAndPrintedValues) {
  const Touch touch = FindTouch(Config().seed, 150, 300);
  ASSERT_GE(touch.channel, 0);
  GlobalSettings::Instance().channel[touch.channel].flags = kChannelEnabled;
  StartAutoBalance(ctx, GlobalSettings::Instance(), sim.adapter, host);
  ASSERT_TRUE(test::WaitFor([&] { return sim.sim->FramesDelivered() > touch.over + 20; }));
  FinishAutoBalance(ctx, GlobalSettings::Instance(), sim.adapter, host);

  // The span's ends are counts the chip sent (none wrapped at a word's end),
  // and they take in the touch.
  const SimValueEncoding encoding = std::get<0>(GetParam());
  std::set<int> counts;
  for (int i = 1; i < ctx.WriteIndex(); ++i) {
    counts.insert(test::WireValue(ctx.FrameAt(i)->raw, 3 + 2 * touch.channel, encoding));
  }
  const ChannelConfig& c = GlobalSettings::Instance().channel[touch.channel];
  EXPECT_EQ(counts.count(c.rawMin - kValueOffset), 1u) << c.rawMin;
  EXPECT_EQ(counts.count(c.rawMax - kValueOffset), 1u) << c.rawMax;
  EXPECT_GT(c.rawMax - c.rawMin, touch.peak * 0.8);
  const int expected = AutoBalanceThreshold(c.rawMin, c.rawMax, ctx.thresholdFactor);
  EXPECT_LE(expected, 255);
  EXPECT_EQ(sim.sim->Thresholds()[touch.channel], expected);

  log.Take();
  PrintRawValues(ctx);
  const std::vector<std::string> lines = log.Take();
  ASSERT_EQ(lines.size(), 18u);
  const uint8_t* newest = ctx.FrameAt(ctx.WriteIndex() - 1)->raw;
  for (int ch = 0; ch < 16; ++ch) {
    EXPECT_EQ(lines[1 + ch], "BL " + std::to_string(ch) + " : " +
                                 std::to_string(test::WireValue(newest, 3 + 2 * ch, encoding)));
  }
}

// Counts across zero: negative two's-complement words, offset words on both
// sides of 0x8000.
INSTANTIATE_TEST_SUITE_P(EncodingsAndShifts, BalanceEncodings,
                         ::testing::Values(std::tuple{SimValueEncoding::TwosComplement, -800},
                                           std::tuple{SimValueEncoding::Offset, -800}));

}  // namespace
}  // namespace padscope
