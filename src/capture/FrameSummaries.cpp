// The capture buffer's block summaries: the lowest and highest time stamp and
// stored values of every block of 32, 1,024 and 32,768 frames, kept as frames
// are committed, so that the views draw long spans without reading each frame.
#include <algorithm>
#include <cstdlib>

#include "capture/CaptureContext.h"

namespace padscope {

namespace {

// The summary of n > 0 consecutive frames, built in a local that the
// compiler keeps in vector registers across the frames.
FrameBlockSummary Summarize(const SampleFrame* f, int n) {
  FrameBlockSummary w;
  w.minTime = w.maxTime = f[0].timestamp;
  std::copy(std::begin(f[0].rawValue), std::end(f[0].rawValue), w.minFirst);
  std::copy(std::begin(f[0].rawValue), std::end(f[0].rawValue), w.maxFirst);
  std::copy(std::begin(f[0].secondValue), std::end(f[0].secondValue), w.minSecond);
  std::copy(std::begin(f[0].secondValue), std::end(f[0].secondValue), w.maxSecond);
  for (int i = 1; i < n; ++i) {
    w.minTime = std::min(w.minTime, f[i].timestamp);
    w.maxTime = std::max(w.maxTime, f[i].timestamp);
    for (int k = 0; k < kFrameChannels; ++k) {
      w.minFirst[k] = std::min(w.minFirst[k], f[i].rawValue[k]);
      w.maxFirst[k] = std::max(w.maxFirst[k], f[i].rawValue[k]);
      w.minSecond[k] = std::min(w.minSecond[k], f[i].secondValue[k]);
      w.maxSecond[k] = std::max(w.maxSecond[k], f[i].secondValue[k]);
    }
  }
  return w;
}

// Widens a local copy, which tells the compiler that the summary and its
// part don't overlap: the channels are then widened a vector at a time.
void Widen(FrameBlockSummary& s, const FrameBlockSummary& part) {
  FrameBlockSummary w = s;
  w.minTime = std::min(w.minTime, part.minTime);
  w.maxTime = std::max(w.maxTime, part.maxTime);
  for (int k = 0; k < kFrameChannels; ++k) {
    w.minFirst[k] = std::min(w.minFirst[k], part.minFirst[k]);
    w.maxFirst[k] = std::max(w.maxFirst[k], part.maxFirst[k]);
    w.minSecond[k] = std::min(w.minSecond[k], part.minSecond[k]);
    w.maxSecond[k] = std::max(w.maxSecond[k], part.maxSecond[k]);
  }
  s = w;
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

void CaptureContext::SummarizeBlocksEndingAt(int index) {
  const int block = index / kSummaryFanOut;
  summaries_[0].get()[block] =
      Summarize(frames_.get() + static_cast<size_t>(block) * kSummaryFanOut, kSummaryFanOut);
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

}  // namespace padscope
