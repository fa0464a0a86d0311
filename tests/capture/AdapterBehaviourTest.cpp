// Capture against the behaviours a real adapter may have where it is not
// pinned down: a data queue filled at its own rate, either value encoding, and
// every way a replay may end.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "capture/CaptureContext.h"
#include "capture/CaptureControl.h"
#include "common/SimFixture.h"
#include "common/TestCaptureHost.h"
#include "common/Wait.h"
#include "link/Opcodes.h"
#include "state/GlobalSettings.h"

namespace padscope {
namespace {

using test::WaitFor;

class AdapterBehaviour : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    GlobalSettings::Instance().bufferFrames = 4096;
    ctx.cycleSleepMs = 0;
  }
  void TearDown() override {
    if (ctx.runState == kRunRunning) {
      StopCapture(ctx, s->adapter, host);
    }
  }
  void Make(const SimConfig& c) { s = std::make_unique<test::SimAdapter>(c); }

  std::unique_ptr<test::SimAdapter> s;
  test::TestCaptureHost host;
  CaptureContext ctx;
};

// A slow reader leaves frames queued at Stop; the next Start must not show
// them. The Pelmira here streams the width the start command asks for, so a
// stale frame would be one of the other width.
TEST_F(AdapterBehaviour, ARestartAtARealRateShowsNoStaleFrames) {
  SimConfig c = test::FastSimConfig();
  c.framesPerSecond = 1000;
  c.widthFromStartValue = true;
  Make(c);
  GlobalSettings::Instance().samplingTimes = 1;
  GlobalSettings::Instance().samplingElapseTenths = 100;  // a read every 10 ms
  host.doubleByteShown = 0;
  ASSERT_TRUE(StartCapture(ctx, s->adapter, host));
  ASSERT_TRUE(WaitFor([&] { return s->sim->FramesDropped() > 0; }));
  StopCapture(ctx, s->adapter, host);
  ASSERT_GT(s->sim->QueuedReports(), 0u);

  host.doubleByteShown = 1;  // as the Double-byte 8TK command leaves it
  const size_t before = host.Widths().size();
  ASSERT_TRUE(StartCapture(ctx, s->adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 3; }));
  StopCapture(ctx, s->adapter, host);
  for (int i = 0; i < ctx.WriteIndex(); ++i) {
    EXPECT_EQ(ctx.RawByte(i, 2), 0x88) << i;
  }
  const std::vector<int> widths = host.Widths();
  EXPECT_EQ(std::vector<int>(widths.begin() + static_cast<long>(before), widths.end()),
            std::vector<int>(5, kValueWidthDouble));
}

// --- Value encodings ----------------------------------------------------------

class ValueEncodings
    : public AdapterBehaviour,
      public ::testing::WithParamInterface<std::tuple<SimValueEncoding, int, SimLayout>> {};

TEST_P(ValueEncodings, StoredValuesAreTheChipsCounts) {
  const auto [encoding, shift, layout] = GetParam();
  SimConfig c = test::FastSimConfig();
  c.valueEncoding = encoding;
  c.countShift = shift;
  c.layout = layout;
  Make(c);
  // Offset words are read as such only by the user's choice.
  ctx.valueEncoding =
      encoding == SimValueEncoding::Offset ? ValueEncoding::Offset : ValueEncoding::TwosComplement;
  ASSERT_TRUE(StartCapture(ctx, s->adapter, host));
  ASSERT_TRUE(WaitFor([&] { return ctx.WriteIndex() >= 40; }));
  StopCapture(ctx, s->adapter, host);

  const bool doubled = layout != SimLayout::Single16;
  const int secondAt = layout == SimLayout::Double8Plain ? 19 : 35;
  bool negative = false;
  for (int i = 1; i < ctx.WriteIndex(); ++i) {
    const uint8_t* raw = ctx.FrameAt(i)->raw;
    for (int ch = 0; ch < (doubled ? 8 : 16); ++ch) {
      const int count = test::WireValue(raw, 3 + 2 * ch, encoding);
      negative |= count < 0;
      ASSERT_EQ(ctx.RawValue(i, ch) - kValueOffset, count) << "frame " << i << " channel " << ch;
      if (doubled) {
        ASSERT_EQ(ctx.SecondValue(i, ch) - kValueOffset,
                  test::WireValue(raw, secondAt + 2 * ch, encoding))
            << "frame " << i << " channel " << ch;
      }
    }
  }
  EXPECT_EQ(negative, shift < 0) << "shifted counts straddle zero";
}

// Each encoding with and without counts across zero, each layout twice.
INSTANTIATE_TEST_SUITE_P(
    EncodingsShiftsLayouts, ValueEncodings,
    ::testing::Values(std::tuple{SimValueEncoding::TwosComplement, 0, SimLayout::Single16},
                      std::tuple{SimValueEncoding::TwosComplement, -800, SimLayout::Double8Plain},
                      std::tuple{SimValueEncoding::Offset, 0, SimLayout::Double8Plain},
                      std::tuple{SimValueEncoding::Offset, -800, SimLayout::Single16}));

// --- The end of a replay ------------------------------------------------------

class ReplayEnds : public AdapterBehaviour,
                   public ::testing::WithParamInterface<std::tuple<SimModel, SimReplayEnd, bool>> {
};

// Whatever the adapter does when the recording runs out, capture ends by
// itself, keeps only the recording, stops the stream, and never holds the
// command lock long enough to freeze the window's commands.
TEST_P(ReplayEnds, CaptureEndsAndTheLockStaysFree) {
  const auto [model, end, answersStatus] = GetParam();
  SimConfig c = test::FastSimConfig(model);
  c.replayEnd = end;
  c.pelmiraAnswersReadStatus = answersStatus;
  Make(c);
  s->adapter.SetReplyTimeoutMs(2000);  // as on hardware
  ctx.replaySilenceMs = 150;
  s->sim->RecordFramesToFlash(40);
  ASSERT_TRUE(s->adapter.Connect());
  ASSERT_TRUE(s->adapter.SetRechargeAddress(0));

  std::atomic<bool> done{false};
  std::atomic<int64_t> longestWaitMs{0};
  std::thread window([&] {
    while (!done) {
      const auto asked = std::chrono::steady_clock::now();
      { std::lock_guard lock(s->adapter.commandLock); }
      const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - asked);
      longestWaitMs = std::max<int64_t>(longestWaitMs, waited.count());
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  ASSERT_TRUE(StartCapture(ctx, s->adapter, host));
  const bool ended = WaitFor([&] { return ctx.threadFinished.load(); }, std::chrono::seconds(5));
  done = true;
  window.join();
  ASSERT_TRUE(ended);
  EXPECT_EQ(ctx.runState, kRunStopped);
  EXPECT_TRUE(s->sim->ReplayFinished());
  EXPECT_FALSE(s->sim->IsStreaming());
  EXPECT_FALSE(s->adapter.ReplayMayRun());
  // The recording's frames went through the layout filter: all but six kept,
  // and nothing of the blank flash after them.
  EXPECT_EQ(ctx.WriteIndex(), 40 - 6);
  EXPECT_LT(longestWaitMs.load(), 1000);
  if (end == SimReplayEnd::BlankFrames) {
    // Ended by the first blank frames, not by running through the whole flash.
    EXPECT_LT(s->sim->FramesDelivered(), 1000u);
  }
}

std::string EndName(const ::testing::TestParamInfo<std::tuple<SimModel, SimReplayEnd, bool>>& i) {
  static const char* const kEnds[] = {"Silent", "BlankFrames", "FailedRead"};
  return std::string(std::get<0>(i.param) == SimModel::Corvex ? "Corvex" : "Pelmira") +
         kEnds[static_cast<int>(std::get<1>(i.param))] + (std::get<2>(i.param) ? "" : "IgnoringD7");
}

INSTANTIATE_TEST_SUITE_P(Pelmira, ReplayEnds,
                         ::testing::Combine(::testing::Values(SimModel::Pelmira),
                                            ::testing::Values(SimReplayEnd::Silent,
                                                              SimReplayEnd::BlankFrames,
                                                              SimReplayEnd::FailedRead),
                                            ::testing::Bool()),
                         EndName);
INSTANTIATE_TEST_SUITE_P(Corvex, ReplayEnds,
                         ::testing::Values(std::tuple{SimModel::Corvex, SimReplayEnd::Silent,
                                                      true}),
                         EndName);

}  // namespace
}  // namespace padscope
