#include <gtest/gtest.h>

#include "sim/SimTestLink.h"

namespace padscope::simtest {
namespace {

Bytes FlashFrame(const SimulatedAdapter& sim, size_t index) {
  const Bytes flash = sim.Flash();
  return Bytes(flash.begin() + static_cast<long>(index * 64),
               flash.begin() + static_cast<long>(index * 64 + 64));
}

class SimReplayEnd : public testing::TestWithParam<std::tuple<SimModel, padscope::SimReplayEnd>> {
 protected:
  SimConfig Config() const {
    SimConfig c = Fast(std::get<0>(GetParam()));
    c.replayEnd = std::get<1>(GetParam());
    return c;
  }
};

TEST_P(SimReplayEnd, ReplaysTheRecordingThenEndsAsConfigured) {
  SimLink link(Config());
  link.sim.RecordFramesToFlash(5);
  ASSERT_EQ(FlashFrame(link.sim, 5), Bytes(64, 0xFF));
  // The address is aligned down to a frame: replay starts with frame 1.
  ASSERT_TRUE(link.Command(ShortHeader(64 + 10, kOpSetRechargeAddress)) && link.Start());
  EXPECT_EQ(link.sim.RechargeAddress(), 74u);
  for (size_t i = 1; i < 5; ++i) {
    EXPECT_EQ(link.Frame(), FlashFrame(link.sim, i));
  }
  Bytes in(65);
  switch (std::get<1>(GetParam())) {
    case padscope::SimReplayEnd::Silent:
      EXPECT_EQ(link.data->Read(in.data(), in.size(), 20), 0);
      EXPECT_FALSE(link.sim.IsStreaming());
      break;
    case padscope::SimReplayEnd::BlankFrames:
      EXPECT_EQ(link.Frame(), Bytes(64, 0xFF));
      EXPECT_EQ(link.Frame(), Bytes(64, 0xFF));
      EXPECT_TRUE(link.sim.IsStreaming());
      break;
    case padscope::SimReplayEnd::FailedRead:
      EXPECT_EQ(link.data->Read(in.data(), in.size(), 20), -1);
      EXPECT_EQ(link.data->Read(in.data(), in.size(), 20), 0);
      break;
  }
  EXPECT_TRUE(link.sim.ReplayFinished());
  ASSERT_TRUE(link.Stop());
  link.sim.ClearReports();
  EXPECT_EQ(link.Status()[2], 1);

  // A new start clears the flag; the recording was used up, so frames are live.
  ASSERT_TRUE(link.Start());
  EXPECT_EQ(link.Status()[2], 0);
  EXPECT_EQ(link.Frame()[2], 0x10);
}

INSTANTIATE_TEST_SUITE_P(ModelsAndEnds, SimReplayEnd,
                         testing::Combine(testing::Values(SimModel::Pelmira, SimModel::Corvex),
                                          testing::Values(padscope::SimReplayEnd::Silent,
                                                          padscope::SimReplayEnd::BlankFrames,
                                                          padscope::SimReplayEnd::FailedRead)));

TEST(SimReplay, RechargeAddressSwitchesARunningStreamOrWaitsForTheNextStart) {
  for (bool switches : {true, false}) {
    SimConfig c = Fast();
    c.rechargeSwitchesRunningStream = switches;
    SimLink link(c);
    link.sim.SetFlash(64, Pattern(64, 9));
    ASSERT_TRUE(link.Start());
    ASSERT_EQ(link.Frame()[2], 0x10);
    ASSERT_TRUE(link.Command(ShortHeader(64, kOpSetRechargeAddress)));
    if (!switches) {
      EXPECT_EQ(link.Frame()[2], 0x10) << "live until the next start";
      ASSERT_TRUE(link.Start());
    }
    EXPECT_EQ(link.Frame(), Pattern(64, 9));
    Bytes in(65);
    EXPECT_EQ(link.data->Read(in.data(), in.size(), 20), 0);
    EXPECT_TRUE(link.sim.ReplayFinished());
    ASSERT_TRUE(link.Command(ShortHeader(0, kOpSetRechargeAddress)));
    EXPECT_FALSE(link.sim.ReplayFinished());
  }
}

TEST(SimReplay, AddressCountsFramesWhenConfigured) {
  SimConfig c = Fast();
  c.rechargeUnit = SimRechargeUnit::Frames;
  SimLink link(c);
  link.sim.RecordFramesToFlash(5);
  ASSERT_TRUE(link.Command(ShortHeader(3, kOpSetRechargeAddress)) && link.Start());
  EXPECT_EQ(link.Frame(), FlashFrame(link.sim, 3));
}

TEST(SimReplay, ReplayAtTheEndOfFlashFinishesAtOnce) {
  SimConfig c = Fast();
  c.flashSizeCode = 0x20;
  c.readTimeoutMs = 20;  // caps the unlimited read below
  SimLink link(c);
  link.sim.RecordFramesToFlash(1);
  ASSERT_TRUE(link.Command(ShortHeader(2u << 20, kOpSetRechargeAddress)) && link.Start());
  Bytes in(65);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), -1), 0);
  EXPECT_TRUE(link.sim.ReplayFinished());
}

TEST(SimReplay, APelmiraMayIgnoreTheCorvexStatusRequest) {
  SimConfig c = Fast();
  c.pelmiraAnswersReadStatus = false;
  SimLink link(c);
  ASSERT_TRUE(link.Command(LongHeader(64, kOpReadStatus)));
  Bytes in(65);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), 20), 0);
  EXPECT_FALSE(link.sim.Commands().back().known);
  EXPECT_EQ(link.Status().size(), 64u) << "its own status request is answered";
}

}  // namespace
}  // namespace padscope::simtest
