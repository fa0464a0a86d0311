#include "tuning/BufferPositions.h"

#include <cstdlib>
#include <vector>

#include "capture/CaptureContext.h"
#include "viewlogic/TraceRuns.h"

namespace padscope {

namespace {

uint32_t TimeOf(const CaptureContext& ctx, int index) {
  const SampleFrame* f = ctx.FrameAt(index);
  return f != nullptr ? f->timestamp : 0u;
}

}  // namespace

FrameMark MarkOf(const CaptureContext& ctx, int index) {
  return {ctx.generation.load(std::memory_order_acquire),
          int64_t{index} + ctx.compactedFrames.load(std::memory_order_relaxed)};
}

std::optional<int> IndexOf(const CaptureContext& ctx, const FrameMark& mark) {
  if (mark.generation != ctx.generation.load(std::memory_order_acquire)) {
    return std::nullopt;
  }
  const int64_t index = mark.frame - ctx.compactedFrames.load(std::memory_order_relaxed);
  if (index < 0 || index >= ctx.WriteIndex()) {
    return std::nullopt;
  }
  return static_cast<int>(index);
}

FrameWalkParams ScopeWalkParams(const CaptureContext& ctx, bool timeMode, int width) {
  return {ctx.WriteIndex(),
          static_cast<int64_t>(ctx.lastSampleTime.load()) + ctx.displayShift.load(), ctx.msPerPixel,
          timeMode, width};
}

std::optional<int> XOfFrame(const CaptureContext& ctx, const FrameWalkParams& walk, int index) {
  std::optional<int> x;
  // Older frames only come after this one, so the walk ends once it is passed.
  WalkScopeFrames(
      walk, [&](int i) { return TimeOf(ctx, i); },
      [&](int i, int column) {
        if (i == index) {
          x = column + kScopeAxisX;
        }
        return i > index;
      });
  return x;
}

std::optional<int> FrameAtX(const CaptureContext& ctx, const FrameWalkParams& walk, int x) {
  const int column = x - kScopeAxisX;
  std::optional<int> best;
  int bestDistance = 0;
  const auto visit = [&](int frame, int c) {
    const int distance = std::abs(c - column);
    if (!best || distance < bestDistance) {
      best = frame;
      bestDistance = distance;
    }
    return c <= column;  // the columns only grow from here
  };
  if (RunsPayOff(ctx, walk)) {
    // The frames of a run share its column and its newest is the first the
    // walk visits, so a drag over a long span costs a step per column.
    std::vector<TraceRun> runs;
    CollectTraceRuns(ctx, walk, TraceValue::kFirst, runs);
    for (const TraceRun& run : runs) {
      if (!visit(run.newest, run.x)) {
        break;
      }
    }
    return best;
  }
  WalkScopeFrames(
      walk, [&](int i) { return TimeOf(ctx, i); }, visit);
  return best;
}

}  // namespace padscope
