#include "tuning/RangeAnalysis.h"

#include <algorithm>
#include <cmath>

#include "capture/CaptureContext.h"
#include "state/GlobalSettings.h"

namespace padscope {

uint16_t ShownChannelMask(const CaptureContext& ctx, const GlobalSettings& settings) {
  uint16_t mask = 0;
  for (int k = 0; k < ctx.ChannelsInFrame(); ++k) {
    if (IsChannelEnabled(settings.channel[static_cast<size_t>(k)])) {
      mask |= static_cast<uint16_t>(1u << k);
    }
  }
  return mask;
}

AnalysisOptions WithFramePeriod(const CaptureContext& ctx, AnalysisOptions options, int64_t first,
                                int64_t last) {
  if (options.frameMs > 0) {
    return options;
  }
  const std::optional<double> stamped = StampedFramePeriod(ctx, first, last);
  options.frameMs = stamped.value_or(kDefaultFrameMs);
  options.frameSource = stamped ? FramePeriodSource::TimeStamps : FramePeriodSource::Default;
  return options;
}

int FirstFrameOfLastSeconds(const CaptureContext& ctx, int seconds, std::optional<double> frameMs) {
  const int newest = ctx.WriteIndex() - 1;
  const SampleFrame* last = ctx.FrameAt(newest);
  if (last == nullptr) {
    return -1;
  }
  if (frameMs && *frameMs > 0) {
    const double frames = std::max(seconds, 0) * 1000.0 / *frameMs;
    return static_cast<int>(std::max<double>(0, newest - std::floor(frames)));
  }
  const uint32_t span = static_cast<uint32_t>(std::max(seconds, 0)) * 1000u;
  int first = newest;
  for (const SampleFrame* f = ctx.FrameAt(first - 1);
       f != nullptr && static_cast<uint32_t>(last->timestamp - f->timestamp) <= span;
       f = ctx.FrameAt(first - 1)) {
    --first;
  }
  return first;
}

void RangeAnalysis::Reset() {
  range_.reset();
  analyzer_.reset();
  result_.reset();
  status_ = Status::Unavailable;
  lastWriteIndex_ = -1;
}

double RangeAnalysis::Progress() const {
  if (status_ != Status::Partial) {
    return status_ == Status::Current ? 1.0 : 0.0;
  }
  return static_cast<double>(next_ - first_) / static_cast<double>(end_ - first_ + 1);
}

bool RangeAnalysis::Update(const CaptureContext& ctx, const TuningRange& range,
                           const AnalysisOptions& options, int64_t budget) {
  if (range.kind == TuningRangeKind::LastSeconds) {
    return UpdateLastSeconds(ctx, range.seconds, options);
  }
  const int64_t compacted = ctx.compactedFrames.load(std::memory_order_relaxed);
  const bool whole = range.kind == TuningRangeKind::WholeBuffer;
  const bool restart = !range_ || *range_ != range || !(options_ == options) ||
                       generation_ != ctx.generation.load(std::memory_order_acquire) ||
                       (whole && compacted != compacted_);
  if (restart && !Restart(ctx, range, options)) {
    const bool changed = result_.has_value() || status_ != Status::Unavailable;
    result_.reset();
    status_ = Status::Unavailable;
    return changed;
  }
  const int written = ctx.WriteIndex();
  if (whole) {
    end_ = compacted + written - 1;
  }
  if (next_ <= end_ && next_ < compacted) {
    // The frames still to read were dropped from the buffer.
    result_.reset();
    status_ = Status::Unavailable;
    return true;
  }
  AnalysisFrame frame;
  int64_t read = 0;
  for (; next_ <= end_ && read < budget && next_ - compacted < written; ++next_, ++read) {
    ReadAnalysisFrame(ctx, static_cast<int>(next_ - compacted), options.singleByteMode, frame);
    analyzer_->Add(frame);
  }
  if (read == 0 && !restart) {
    return false;
  }
  Publish();
  result_->firstFrame = std::max<int64_t>(first_ - compacted, 0);
  result_->lastFrame = next_ - 1 - compacted;
  status_ = next_ > end_ ? Status::Current : Status::Partial;
  return true;
}

bool RangeAnalysis::Restart(const CaptureContext& ctx, const TuningRange& range,
                            const AnalysisOptions& options) {
  range_ = range;
  options_ = options;
  generation_ = ctx.generation.load(std::memory_order_acquire);
  compacted_ = ctx.compactedFrames.load(std::memory_order_relaxed);
  analyzer_.reset();
  result_.reset();
  if (range.kind == TuningRangeKind::WholeBuffer) {
    if (ctx.WriteIndex() == 0) {
      return false;
    }
    first_ = compacted_;
    end_ = compacted_ + ctx.WriteIndex() - 1;
  } else {
    if (!range.from || !range.to || !IndexOf(ctx, *range.from) || !IndexOf(ctx, *range.to)) {
      return false;
    }
    first_ = std::min(range.from->frame, range.to->frame);
    end_ = std::max(range.from->frame, range.to->frame);
  }
  next_ = first_;
  analyzer_.emplace(WithFramePeriod(ctx, options, first_ - compacted_, end_ - compacted_),
                    end_ - first_ + 1);
  return true;
}

// The figures of what was read so far; the analyser goes on from where it is.
void RangeAnalysis::Publish() {
  Analyzer snapshot = *analyzer_;
  result_ = snapshot.Finish();
}

bool RangeAnalysis::UpdateLastSeconds(const CaptureContext& ctx, int seconds,
                                      const AnalysisOptions& options) {
  const TuningRange range{TuningRangeKind::LastSeconds, seconds, {}, {}};
  const uint32_t generation = ctx.generation.load(std::memory_order_acquire);
  const int written = ctx.WriteIndex();
  if (range_ && *range_ == range && options_ == options && generation_ == generation &&
      lastWriteIndex_ == written) {
    return false;
  }
  range_ = range;
  options_ = options;
  generation_ = generation;
  lastWriteIndex_ = written;
  analyzer_.reset();
  // The range is found and read without a compaction between.
  const auto lock = ctx.ReadLock();
  const std::optional<double> period = ctx.replayStamps.load() && options.frameMs > 0
                                           ? std::optional(options.frameMs)
                                           : std::nullopt;
  const int first = FirstFrameOfLastSeconds(ctx, seconds, period);
  if (first < 0) {
    result_.reset();
    status_ = Status::Unavailable;
    return true;
  }
  result_ = AnalyzeLockedBuffer(ctx, first, written - 1,
                                WithFramePeriod(ctx, options, first, written - 1));
  status_ = Status::Current;
  return true;
}

}  // namespace padscope
