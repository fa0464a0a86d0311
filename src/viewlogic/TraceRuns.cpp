#include "viewlogic/TraceRuns.h"

#include <algorithm>
#include <cmath>

namespace padscope {

namespace {

class RunCollector {
 public:
  RunCollector(const CaptureContext& ctx, const FrameWalkParams& p, TraceValue value,
               std::vector<TraceRun>& runs)
      : ctx_(ctx),
        p_(p),
        second_(value == TraceValue::kSecond),
        runs_(runs),
        lastX_(p.width - kScopeRightMargin),
        summarized_(std::min(p.frameCount, ctx.SummarizedFrames())) {}

  void Walk() {
    // A non-positive or absurd scale would turn every frame into column 0.
    if (p_.timeMode && !(std::isfinite(p_.msPerPixel) && p_.msPerPixel > 0)) {
      return;
    }
    int i = p_.frameCount - 1;
    while (i >= 0) {
      const int taken = TakeBlock(i);
      if (taken > 0) {
        i -= taken;
        continue;
      }
      if (!TakeFrame(i)) {
        return;
      }
      --i;
    }
  }

 private:
  double Column(int64_t d) const { return std::trunc(static_cast<double>(d) / p_.msPerPixel); }

  void Add(int x, int newest, int oldest, const uint16_t* low, const uint16_t* high) {
    if (!runs_.empty() && runs_.back().x == x) {
      TraceRun& r = runs_.back();
      r.oldest = oldest;
      for (int k = 0; k < kFrameChannels; ++k) {
        r.low[k] = std::min(r.low[k], low[k]);
        r.high[k] = std::max(r.high[k], high[k]);
      }
      return;
    }
    TraceRun& r = runs_.emplace_back();
    r.x = x;
    r.newest = newest;
    r.oldest = oldest;
    std::copy(low, low + kFrameChannels, r.low.begin());
    std::copy(high, high + kFrameChannels, r.high.begin());
  }

  // The largest summarized block whose top frame is i and which is either
  // skipped whole (stamped after the end) or drawn whole on one column: its
  // frame count, or 0 when frame i is to be taken on its own.
  int TakeBlock(int i) {
    for (int level = kSummaryLevels - 1; level >= 0; --level) {
      const int span = SummaryBlockFrames(level);
      if ((i + 1) % span != 0 || i + 1 > summarized_) {
        continue;
      }
      const FrameBlockSummary* s = ctx_.BlockSummary(level, i / span);
      if (s == nullptr) {
        continue;
      }
      if (int64_t{s->minTime} > p_.endTime) {
        return span;  // every frame of the block is skipped
      }
      if (!p_.timeMode || int64_t{s->maxTime} > p_.endTime) {
        continue;
      }
      const double nearest = Column(p_.endTime - s->maxTime);
      const double farthest = Column(p_.endTime - s->minTime);
      if (nearest != farthest || farthest > lastX_) {
        continue;
      }
      Add(static_cast<int>(nearest), i, i - span + 1, second_ ? s->minSecond : s->minFirst,
          second_ ? s->maxSecond : s->maxFirst);
      return span;
    }
    return 0;
  }

  // Frame i on its own; false once the walk has passed the last column.
  bool TakeFrame(int i) {
    const SampleFrame* f = ctx_.FrameAt(i);
    if (f == nullptr) {
      return true;  // a slot outside the buffer holds nothing to draw
    }
    const int64_t d = p_.endTime - static_cast<int64_t>(f->timestamp);
    if (d < 0) {
      return true;
    }
    int x = 0;
    if (p_.timeMode) {
      const double xd = Column(d);
      if (xd > lastX_) {
        return false;
      }
      x = static_cast<int>(xd);
    } else {
      x = frameColumn_++;
      if (x > lastX_) {
        return false;
      }
    }
    const uint16_t* v = second_ ? f->secondValue : f->rawValue;
    Add(x, i, i, v, v);
    return true;
  }

  const CaptureContext& ctx_;
  const FrameWalkParams& p_;
  const bool second_;
  std::vector<TraceRun>& runs_;
  const int lastX_;
  const int summarized_;
  int frameColumn_ = 0;
};

}  // namespace

bool RunsPayOff(const CaptureContext& ctx, const FrameWalkParams& p) {
  constexpr int kSpacingFrames = 256;
  constexpr double kMinFramesPerColumn = 3.0;
  const int newest = p.frameCount - 1;
  if (!p.timeMode || newest < kSpacingFrames) {
    return false;  // a frame per column, or too few frames to matter
  }
  const SampleFrame* a = ctx.FrameAt(newest);
  const SampleFrame* b = ctx.FrameAt(newest - kSpacingFrames);
  if (a == nullptr || b == nullptr) {
    return false;
  }
  // The clock wraps; stamps that run backwards read as a wide spacing.
  const auto span = static_cast<uint32_t>(a->timestamp - b->timestamp);
  return p.msPerPixel * kSpacingFrames >= kMinFramesPerColumn * span;
}

void CollectTraceRuns(const CaptureContext& ctx, const FrameWalkParams& p, TraceValue value,
                      std::vector<TraceRun>& runs) {
  runs.clear();
  RunCollector(ctx, p, value, runs).Walk();
}

}  // namespace padscope
