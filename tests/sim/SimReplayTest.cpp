#include <gtest/gtest.h>

#include "sim/SimTestLink.h"

namespace padscope::simtest {
namespace {

Bytes FlashFrame(const SimulatedAdapter& sim, size_t index) {
  const Bytes flash = sim.Flash();
  return Bytes(flash.begin() + static_cast<long>(index * 64),
               flash.begin() + static_cast<long>(index * 64 + 64));
}

TEST(SimReplay, ReplaysTheRecordingUntilBlankThenReportsFinished) {
  for (SimModel model : {SimModel::Pelmira, SimModel::Corvex}) {
    SimLink link(Fast(model));
    link.sim.RecordFramesToFlash(5);
    ASSERT_NE(FlashFrame(link.sim, 4), Bytes(64, 0xFF));
    ASSERT_EQ(FlashFrame(link.sim, 5), Bytes(64, 0xFF));
    // The address is aligned down to a frame: replay starts with frame 1.
    ASSERT_TRUE(link.Command(ShortHeader(64 + 10, kOpSetRechargeAddress)) && link.Start());
    EXPECT_EQ(link.sim.RechargeAddress(), 74u);
    for (size_t i = 1; i < 5; ++i) {
      EXPECT_EQ(link.Frame(), FlashFrame(link.sim, i));
    }
    // The end of the recording fails the read once; then the stream is silent.
    Bytes in(65);
    EXPECT_EQ(link.data->Read(in.data(), in.size(), 20), -1);
    EXPECT_EQ(link.data->Read(in.data(), in.size(), 20), 0);
    EXPECT_FALSE(link.sim.IsStreaming());
    EXPECT_TRUE(link.sim.ReplayFinished());
    EXPECT_EQ(link.Status()[2], 1);

    // A new start clears the flag; the recording was used up, so frames are live.
    ASSERT_TRUE(link.Start());
    EXPECT_EQ(link.Status()[2], 0);
    EXPECT_EQ(link.Frame()[2], 0x10);
  }
}

TEST(SimReplay, RechargeAddressSwitchesARunningStream) {
  SimLink link;
  link.sim.SetFlash(64, Pattern(64, 9));
  ASSERT_TRUE(link.Start());
  ASSERT_EQ(link.Frame()[2], 0x10);
  ASSERT_TRUE(link.Command(ShortHeader(64, kOpSetRechargeAddress)));
  EXPECT_EQ(link.Frame(), Pattern(64, 9));
  Bytes in(65);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), 20), -1);
  EXPECT_TRUE(link.sim.ReplayFinished());
  ASSERT_TRUE(link.Command(ShortHeader(0, kOpSetRechargeAddress)));
  EXPECT_FALSE(link.sim.ReplayFinished());
}

TEST(SimReplay, ReplayAtTheEndOfFlashFinishesAtOnce) {
  SimConfig c = Fast();
  c.flashSizeCode = 0x20;
  c.readTimeoutMs = 20;  // caps the unlimited read below
  SimLink link(c);
  link.sim.RecordFramesToFlash(1);
  ASSERT_TRUE(link.Command(ShortHeader(2u << 20, kOpSetRechargeAddress)) && link.Start());
  Bytes in(65);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), -1), -1);
  EXPECT_TRUE(link.sim.ReplayFinished());
}

}  // namespace
}  // namespace padscope::simtest
