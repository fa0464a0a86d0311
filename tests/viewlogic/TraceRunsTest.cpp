// The runs a paint draws from, read while the capture thread appends and
// compacts the buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "capture/CaptureContext.h"
#include "viewlogic/TraceRuns.h"

namespace padscope {
namespace {

// A paint holds the buffer's read lock, so a compaction never moves frames or
// rebuilds block summaries under it: every run agrees with the frames it
// covers, and ThreadSanitizer sees no overlap.
TEST(TraceRuns, APaintDuringCompactionsSeesNoHalfMovedBuffer) {
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(4096));
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int n = 0; !done; ++n) {
      const int index = ctx.WriteIndex();
      SampleFrame* f = ctx.FrameForWrite(index);
      f->timestamp = static_cast<uint32_t>(n);
      std::fill(std::begin(f->rawValue), std::end(f->rawValue),
                static_cast<uint16_t>(kValueOffset + n % 997));
      ctx.CommitFrame(index);
      if (index + 1 >= ctx.frameCapacity) {
        ctx.CompactFrames();
      }
    }
  });

  std::vector<TraceRun> runs;
  int paints = 0;
  int blockRuns = 0;
  // Paints go on until a few compactions ran among them.
  while (paints < 200 || ctx.compactedFrames < 10 * 2048) {
    const auto lock = ctx.ReadLock();
    const int count = ctx.WriteIndex();
    if (count < 2) {
      continue;
    }
    const FrameWalkParams p{count, ctx.FrameAt(count - 1)->timestamp, 100.0, true, 800};
    CollectTraceRuns(ctx, p, TraceValue::kFirst, runs);
    for (const TraceRun& run : runs) {
      uint16_t low = 0xFFFF, high = 0;
      for (int i = run.oldest; i <= run.newest; ++i) {
        low = std::min(low, ctx.FrameAt(i)->rawValue[3]);
        high = std::max(high, ctx.FrameAt(i)->rawValue[3]);
      }
      ASSERT_EQ(run.low[3], low) << "frames " << run.oldest << ".." << run.newest;
      ASSERT_EQ(run.high[3], high) << "frames " << run.oldest << ".." << run.newest;
      blockRuns += run.newest - run.oldest >= kSummaryFanOut ? 1 : 0;
    }
    ++paints;
  }
  done = true;
  writer.join();
  EXPECT_GT(blockRuns, 0) << "runs long enough to be taken from block summaries";
}

}  // namespace
}  // namespace padscope
