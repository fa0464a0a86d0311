// The host's queue of input reports: filled at the chip's own rate, whether or
// not the host reads.
#include <gtest/gtest.h>

#include "sim/SimTestLink.h"

namespace padscope::simtest {
namespace {

// Frames made while nobody reads wait in a queue of limited depth (the newest
// lost once it is full), are read oldest first, still come after the stream
// is stopped, and a reply waits behind them.
TEST(SimQueue, FramesQueueAheadOfALaterReply) {
  SimConfig c = Fast();
  c.framesPerSecond = 1000;
  c.inputQueueDepth = 8;
  SimLink link(c);
  ASSERT_TRUE(link.Start());
  ASSERT_TRUE(Eventually([&] { return link.sim.FramesDropped() > 0; }));
  EXPECT_EQ(link.sim.QueuedReports(), 8u);
  ASSERT_TRUE(link.Stop());
  ASSERT_TRUE(link.Command(ShortHeader(64, kOpReadStatusP)));
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(link.Frame()[2], 0x10) << i;
  }
  const Bytes status = link.Read(64);
  ASSERT_EQ(status.size(), 64u);
  EXPECT_EQ(status[1], 0x40);
  EXPECT_EQ(Bytes(status.begin() + 3, status.end()), Bytes(61, 0));
  Bytes in(65);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), 0), 0);
}

// A slow reader gets the frames the chip made one after the other, not the
// newest: the queue is never skipped.
TEST(SimQueue, ASlowReaderGetsConsecutiveFrames) {
  SimConfig c = Fast();
  c.framesPerSecond = 2000;
  c.inputQueueDepth = 16;
  SimLink link(c);
  SimConfig onDemand = Fast();  // the same chip, one frame per read from frame 0
  SimLink reference(onDemand);
  ASSERT_TRUE(link.Start() && reference.Start());
  ASSERT_TRUE(Eventually([&] { return link.sim.QueuedReports() == 16; }));
  const Bytes first = link.Frame();
  // Find the frame number the queue starts with, then expect the next ones.
  Bytes expected = reference.Frame();
  for (int n = 0; expected != first; ++n) {
    ASSERT_LT(n, 200000) << "the queued frame is none the chip made";
    expected = reference.Frame();
  }
  for (int i = 1; i < 16; ++i) {
    EXPECT_EQ(link.Frame(), reference.Frame()) << i;
  }
}

TEST(SimQueue, AReplyWaitsForRoomAndIsNeverCut) {
  SimConfig c = Fast();
  c.inputQueueDepth = 2;
  SimLink link(c);
  link.sim.SetFlash(0, Pattern(640, 3));
  ASSERT_TRUE(link.Command(BlockHeader(640, kOpReadBlocks)));
  EXPECT_EQ(link.sim.QueuedReports(), 2u);
  EXPECT_EQ(link.Read(640), Pattern(640, 3));
}

TEST(SimQueue, ADumpStreamsAtItsOwnRate) {
  SimConfig c = Fast();
  c.framesPerSecond = 100;
  c.dumpFramesPerSecond = 4000;
  c.inputQueueDepth = 64;
  SimLink link(c);
  link.sim.SetFlash(0, Pattern(64 * 64, 1));
  ASSERT_TRUE(link.Command(ShortHeader(0, kOpStartFlashDumpP)));
  ASSERT_TRUE(Eventually([&] { return link.sim.QueuedReports() == 64; }));
  ASSERT_TRUE(link.Command(ShortHeader(0, kOpEndFlashDumpP)));
  EXPECT_EQ(link.Read(64 * 64), Pattern(64 * 64, 1)) << "all queued before the end, none lost";
}

}  // namespace
}  // namespace padscope::simtest
