// What a real adapter leaves in the data queue: stream frames sent while
// nobody read, and the rest of a reply. A reply is never taken from them.
#include <gtest/gtest.h>

#include "common/SimFixture.h"
#include "common/Wait.h"
#include "link/Opcodes.h"

namespace padscope {
namespace {

using Bytes = std::vector<uint8_t>;

class StaleInput : public ::testing::TestWithParam<SimModel> {
 protected:
  static SimConfig Config(int replyDelayMs = 0) {
    SimConfig c = test::FastSimConfig(GetParam());
    c.framesPerSecond = 1000;
    c.replyDelayMs = replyDelayMs;
    return c;
  }
  bool Corvex() const { return GetParam() == SimModel::Corvex; }
  bool Start() {
    return Corvex() ? s.adapter.StartStream() : s.adapter.SendOpcodeWithByte(kOpStartStreamP, 0);
  }
  bool Stop() { return Corvex() ? s.adapter.StopStream() : s.adapter.StopStreamP(); }
  bool Status(Bytes& reply) {
    return Corvex() ? s.adapter.ReadStatus(reply.data(), 64)
                    : s.adapter.ReadStatusP(reply.data(), 64);
  }
  // The stream runs unread until the host's queue is full.
  void FillQueue() {
    ASSERT_TRUE(s.adapter.Connect());
    ASSERT_TRUE(Start());
    ASSERT_TRUE(test::WaitFor([&] { return s.sim->FramesDropped() > 0; }));
  }

  test::SimAdapter s{Config()};
};

TEST_P(StaleInput, StatusAfterAStopIsTheReplyNotAQueuedFrame) {
  FillQueue();
  ASSERT_TRUE(Stop());
  Bytes reply(64, 0xEE);
  ASSERT_TRUE(Status(reply));
  EXPECT_EQ(reply[kStatusSizeCodeByte], 0x40);
  EXPECT_EQ(Bytes(reply.begin() + 3, reply.end()), Bytes(61, 0));
  EXPECT_EQ(s.sim->QueuedReports(), 0u);

  // The same for the flash read-back, and for the rest of a reply cut off by a
  // time-out: the next command's answer is its own.
  s.sim->SetFlash(0, Bytes(128, 0x21));
  Bytes back(128);
  ASSERT_TRUE(Corvex() ? s.adapter.ReadData(back.data(), 128)
                       : s.adapter.ReadBlocks(back.data(), 128));
  EXPECT_EQ(back, Bytes(128, 0x21));
}

// While a stream runs, a replay-status request passes over the frames that
// come between the request and its answer, also those of a one-channel board,
// whose channel byte (1) reads like a replay-finished flag.
TEST_P(StaleInput, ReplayStatusSkipsTheFramesOfARunningStream) {
  for (const SimLayout layout : {SimLayout::Single16, SimLayout::Single1}) {
    SimConfig c = Config(10);  // about ten frames go out before the answer
    c.layout = layout;
    test::SimAdapter delayed(c);
    ASSERT_TRUE(delayed.adapter.Connect());
    ASSERT_TRUE(Corvex() ? delayed.adapter.StartStream()
                         : delayed.adapter.SendOpcodeWithByte(kOpStartStreamP, 0));
    Bytes reply(64, 0xEE);
    ASSERT_TRUE(delayed.adapter.ReadReplayStatus(reply.data(), 64));
    EXPECT_EQ(reply[kStatusSizeCodeByte], 0x40);
    EXPECT_EQ(reply[kStatusReplayFinishedByte], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(BothModels, StaleInput,
                         ::testing::Values(SimModel::Pelmira, SimModel::Corvex),
                         [](const auto& info) {
                           return info.param == SimModel::Corvex ? "Corvex" : "Pelmira";
                         });

}  // namespace
}  // namespace padscope
