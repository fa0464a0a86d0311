// The host's queue of input reports: filled at the chip's own rate, whether or
// not the host reads.
#include <gtest/gtest.h>

#include "sim/SimTestLink.h"

namespace padscope::simtest {
namespace {

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

}  // namespace
}  // namespace padscope::simtest
