// The capture buffer's block summaries: the lowest and highest time stamp and
// stored values of every block of 32, 1,024 and 32,768 frames, kept as frames
// are committed, so that the views draw long spans without reading each frame.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "capture/CaptureContext.h"

namespace padscope {

namespace {

void StartWith(FrameBlockSummary& s, const SampleFrame& f) {
  s.minTime = s.maxTime = f.timestamp;
  std::copy(std::begin(f.rawValue), std::end(f.rawValue), s.minFirst);
  std::copy(std::begin(f.rawValue), std::end(f.rawValue), s.maxFirst);
  std::copy(std::begin(f.secondValue), std::end(f.secondValue), s.minSecond);
  std::copy(std::begin(f.secondValue), std::end(f.secondValue), s.maxSecond);
}

void Widen(FrameBlockSummary& s, const SampleFrame& f) {
  s.minTime = std::min(s.minTime, f.timestamp);
  s.maxTime = std::max(s.maxTime, f.timestamp);
  for (int k = 0; k < kFrameChannels; ++k) {
    s.minFirst[k] = std::min(s.minFirst[k], f.rawValue[k]);
    s.maxFirst[k] = std::max(s.maxFirst[k], f.rawValue[k]);
    s.minSecond[k] = std::min(s.minSecond[k], f.secondValue[k]);
    s.maxSecond[k] = std::max(s.maxSecond[k], f.secondValue[k]);
  }
}

void Widen(FrameBlockSummary& s, const FrameBlockSummary& part) {
  s.minTime = std::min(s.minTime, part.minTime);
  s.maxTime = std::max(s.maxTime, part.maxTime);
  for (int k = 0; k < kFrameChannels; ++k) {
    s.minFirst[k] = std::min(s.minFirst[k], part.minFirst[k]);
    s.maxFirst[k] = std::max(s.maxFirst[k], part.maxFirst[k]);
    s.minSecond[k] = std::min(s.minSecond[k], part.minSecond[k]);
    s.maxSecond[k] = std::max(s.maxSecond[k], part.maxSecond[k]);
  }
}

}  // namespace

bool CaptureContext::AllocateSummaries(int frames) {
  for (int level = 0; level < kSummaryLevels; ++level) {
    const int span = SummaryBlockFrames(level);
    const int blocks = frames / span + (frames % span != 0 ? 1 : 0);
    // Zero pages, resident only once written, as the frames are.
    summaries_[level].reset(static_cast<FrameBlockSummary*>(
        std::calloc(static_cast<size_t>(blocks), sizeof(FrameBlockSummary))));
    summaryBlocks_[level] = summaries_[level] ? blocks : 0;
    if (!summaries_[level]) {
      return false;
    }
  }
  summarized_.store(0, std::memory_order_release);
  return true;
}

void CaptureContext::FoldFrame(int index) {
  const SampleFrame& f = frames_.get()[index];
  FrameBlockSummary& block = summaries_[0].get()[index / kSummaryFanOut];
  if (index % kSummaryFanOut == 0) {
    StartWith(block, f);
  } else {
    Widen(block, f);
  }
  // A completed block widens the block above it.
  for (int level = 1; level < kSummaryLevels; ++level) {
    const int below = SummaryBlockFrames(level - 1);
    if ((index + 1) % below != 0) {
      break;
    }
    const FrameBlockSummary& part = summaries_[level - 1].get()[index / below];
    FrameBlockSummary& whole = summaries_[level].get()[index / SummaryBlockFrames(level)];
    if ((index / below) % kSummaryFanOut == 0) {
      whole = part;
    } else {
      Widen(whole, part);
    }
  }
  summarized_.store(index + 1, std::memory_order_release);
}

void CaptureContext::CommitFrame(int index) {
  if (frames_ && index >= 0 && index < frameCapacity &&
      index == summarized_.load(std::memory_order_relaxed)) {
    FoldFrame(index);
  }
  writeIndex.store(index + 1, std::memory_order_release);
}

const FrameBlockSummary* CaptureContext::BlockSummary(int level, int block) const {
  if (level < 0 || level >= kSummaryLevels || block < 0 || block >= summaryBlocks_[level] ||
      int64_t{block + 1} * SummaryBlockFrames(level) > SummarizedFrames()) {
    return nullptr;
  }
  return summaries_[level].get() + block;
}

void CaptureContext::RebuildSummaries(int frames) {
  summarized_.store(0, std::memory_order_release);
  if (!frames_ || !summaries_[0]) {
    return;
  }
  const int n = std::min(frames, frameCapacity.load());
  for (int i = 0; i < n; ++i) {
    FoldFrame(i);
  }
}

void CaptureContext::RebuildSummaries() {
  RebuildSummaries(WriteIndex());
}

void CaptureContext::ShiftTimestamps(uint32_t shift) {
  if (!frames_) {
    return;
  }
  const int n = std::min(WriteIndex(), frameCapacity.load());
  SampleFrame* f = frames_.get();
  for (int k = 0; k < n; ++k) {
    f[k].timestamp += shift;
  }
  ShiftSummaryTimes(shift);
}

void CaptureContext::ShiftSummaryTimes(uint32_t shift) {
  const int summarized = SummarizedFrames();
  for (int level = 0; level < kSummaryLevels && summaries_[level]; ++level) {
    const int span = SummaryBlockFrames(level);
    FrameBlockSummary* blocks = summaries_[level].get();
    for (int b = 0; b < summarized / span; ++b) {
      FrameBlockSummary& s = blocks[b];
      s.minTime += shift;
      s.maxTime += shift;
      if (s.minTime <= s.maxTime) {
        continue;
      }
      // The block's stamps now straddle the clock's wrap: its lowest and
      // highest stamps are other frames' (or other blocks', already shifted).
      s.minTime = std::numeric_limits<uint32_t>::max();
      s.maxTime = 0;
      for (int k = b * span; level == 0 && k < (b + 1) * span; ++k) {
        s.minTime = std::min(s.minTime, frames_.get()[k].timestamp);
        s.maxTime = std::max(s.maxTime, frames_.get()[k].timestamp);
      }
      for (int c = b * kSummaryFanOut; level > 0 && c < (b + 1) * kSummaryFanOut; ++c) {
        s.minTime = std::min(s.minTime, summaries_[level - 1].get()[c].minTime);
        s.maxTime = std::max(s.maxTime, summaries_[level - 1].get()[c].maxTime);
      }
    }
  }
}

}  // namespace padscope
