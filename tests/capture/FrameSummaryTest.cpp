// The capture buffer's block summaries against the frames they summarize,
// through commits, a time shift across the clock's wrap, a rewrite below the
// summarized frames and a compaction.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "capture/CaptureContext.h"

namespace padscope {
namespace {

// Every block the buffer claims to summarize holds its frames' extremes, and
// the first block past the mark is not claimed.
void ExpectSummariesMatch(const CaptureContext& ctx) {
  const int covered = ctx.SummarizedFrames();
  ASSERT_LE(covered, ctx.WriteIndex());
  for (int level = 0; level < kSummaryLevels; ++level) {
    const int span = SummaryBlockFrames(level);
    for (int b = 0; (b + 1) * span <= covered; ++b) {
      const FrameBlockSummary* s = ctx.BlockSummary(level, b);
      ASSERT_NE(s, nullptr) << level << " " << b;
      FrameBlockSummary want{std::numeric_limits<uint32_t>::max(), 0, {}, {}, {}, {}};
      std::fill(std::begin(want.minFirst), std::end(want.minFirst), 0xFFFF);
      std::fill(std::begin(want.minSecond), std::end(want.minSecond), 0xFFFF);
      for (int i = b * span; i < (b + 1) * span; ++i) {
        const SampleFrame& f = *ctx.FrameAt(i);
        want.minTime = std::min(want.minTime, f.timestamp);
        want.maxTime = std::max(want.maxTime, f.timestamp);
        for (int k = 0; k < kFrameChannels; ++k) {
          want.minFirst[k] = std::min(want.minFirst[k], f.rawValue[k]);
          want.maxFirst[k] = std::max(want.maxFirst[k], f.rawValue[k]);
          want.minSecond[k] = std::min(want.minSecond[k], f.secondValue[k]);
          want.maxSecond[k] = std::max(want.maxSecond[k], f.secondValue[k]);
        }
      }
      ASSERT_EQ(s->minTime, want.minTime) << level << " " << b;
      ASSERT_EQ(s->maxTime, want.maxTime) << level << " " << b;
      for (int k = 0; k < kFrameChannels; ++k) {
        ASSERT_EQ(s->minFirst[k], want.minFirst[k]) << level << " " << b << " " << k;
        ASSERT_EQ(s->maxFirst[k], want.maxFirst[k]) << level << " " << b << " " << k;
        ASSERT_EQ(s->minSecond[k], want.minSecond[k]) << level << " " << b << " " << k;
        ASSERT_EQ(s->maxSecond[k], want.maxSecond[k]) << level << " " << b << " " << k;
      }
    }
    EXPECT_EQ(ctx.BlockSummary(level, covered / span), nullptr) << level;
  }
}

// Frames with random values and stamps near `base`, committed as capture does.
void Append(CaptureContext& ctx, int count, uint32_t base, std::mt19937& rng) {
  for (int n = 0; n < count; ++n) {
    const int i = ctx.WriteIndex();
    SampleFrame* f = ctx.FrameForWrite(i);
    ASSERT_NE(f, nullptr);
    for (int k = 0; k < kFrameChannels; ++k) {
      f->rawValue[k] = static_cast<uint16_t>(rng());
      f->secondValue[k] = static_cast<uint16_t>(rng() % 300);
    }
    f->timestamp = base + static_cast<uint32_t>(i) + rng() % 50;
    ctx.CommitFrame(i);
  }
}

TEST(FrameSummaries, FollowTheFramesThroughEveryChange) {
  CaptureContext ctx;
  const int capacity = 2 * SummaryBlockFrames(2) + 100;
  ASSERT_TRUE(ctx.AllocateFrames(capacity));
  std::mt19937 rng(11);
  // Stamps that pass the clock's wrap once shifted by 1,000.
  const uint32_t base = std::numeric_limits<uint32_t>::max() - 40000;
  Append(ctx, 40000, base, rng);
  EXPECT_EQ(ctx.SummarizedFrames(), 40000);
  ExpectSummariesMatch(ctx);

  // A frame rewritten below the mark takes its blocks out until a rebuild.
  ctx.FrameForWrite(100)->rawValue[3] = 0xFFFF;
  EXPECT_EQ(ctx.SummarizedFrames(), 96);
  ExpectSummariesMatch(ctx);
  ctx.RebuildSummaries();
  EXPECT_EQ(ctx.SummarizedFrames(), 40000);
  ExpectSummariesMatch(ctx);

  // A writer that moves writeIndex itself leaves the summaries behind.
  ctx.writeIndex = 40010;
  Append(ctx, 5, 0, rng);
  EXPECT_EQ(ctx.SummarizedFrames(), 40000);
  ctx.RebuildSummaries();

  Append(ctx, capacity - ctx.WriteIndex(), 0, rng);
  ctx.CompactFrames();
  EXPECT_EQ(ctx.SummarizedFrames(), capacity / 2);
  ExpectSummariesMatch(ctx);
  Append(ctx, 3000, 0, rng);
  ExpectSummariesMatch(ctx);

  ctx.ResetFrames();
  EXPECT_EQ(ctx.SummarizedFrames(), 0);
  EXPECT_EQ(ctx.BlockSummary(0, 0), nullptr);
}

}  // namespace
}  // namespace padscope
