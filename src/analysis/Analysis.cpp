#include "analysis/Analysis.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "capture/CaptureContext.h"

namespace padscope {

namespace {

constexpr int kBlockFrames = 128;
constexpr double kBlockMs = 1000;
constexpr float kFloatHigh = std::numeric_limits<float>::max();

uint16_t CarriedMask(int channels) {
  return channels >= kAnalysisChannels ? 0xFFFF : static_cast<uint16_t>((1u << channels) - 1);
}

bool Bit(uint16_t mask, int k) {
  return ((mask >> k) & 1) != 0;
}

// Row b: for each of eight lanes, all bits set where bit j of b is clear.
constexpr auto kNotIdleMasks = [] {
  std::array<std::array<uint32_t, 8>, 256> rows{};
  for (size_t b = 0; b < rows.size(); ++b) {
    for (size_t j = 0; j < 8; ++j) {
      rows[b][j] = ((b >> j) & 1) != 0 ? 0u : 0xFFFFFFFFu;
    }
  }
  return rows;
}();

}  // namespace

AnalysisTiming AnalysisTiming::Of(const AnalysisOptions& options) {
  const double period = std::clamp(options.frameMs, 1e-3, kMaxFrameMs);
  AnalysisTiming t;
  t.detector = DetectorTiming::FromMs(period, options.minTouchMs);
  t.guard =
      static_cast<int>(std::ceil(std::clamp(options.guardMs, 0.0, kMaxGuardMs) / period - 1e-6));
  // Every touch keeps at least one touched frame between its edges.
  t.edge = std::min(t.guard, (t.detector.minTouch - 1) / 2);
  t.block = std::max(kBlockFrames, static_cast<int>(std::ceil(kBlockMs / period)));
  t.delay = t.guard + t.detector.minTouch + 1;
  return t;
}

void Analyzer::IdleStats::Reset() {
  min.fill(kFloatHigh);
  max.fill(-kFloatHigh);
  outMin.fill(kFloatHigh);
  outMax.fill(-kFloatHigh);
  sum.fill(0);
  outSum.fill(0);
  notIdle.fill(0);
  frames = 0;
}

Analyzer::Analyzer(const AnalysisOptions& options, int64_t rangeFrames)
    : options_(options),
      timing_(AnalysisTiming::Of(options)),
      rangeFrames_(std::max<int64_t>(rangeFrames, 1)),
      detector_(timing_.detector) {
  options_.plotColumns = std::max(options_.plotColumns, 0);
  // A power of two: the slot of a frame is a mask, not a division.
  ringSize_ = static_cast<int64_t>(std::bit_ceil(static_cast<uint64_t>(timing_.delay) + 1));
  ring_.resize(static_cast<size_t>(ringSize_));
  blockLeft_ = timing_.block;
  zoneStart_.fill(INT64_MAX);
  idle_.Reset();
  idleTotals_.min.fill(kFloatHigh);
  idleTotals_.max.fill(-kFloatHigh);
  idleTotals_.outMin.fill(kFloatHigh);
  idleTotals_.outMax.fill(-kFloatHigh);
  const auto cells = static_cast<size_t>(options_.plotColumns) * kAnalysisChannels;
  plotMin_.assign(cells, kFloatHigh);
  plotMax_.assign(cells, -kFloatHigh);
  plotValid_.assign(static_cast<size_t>(options_.plotColumns), 0);
  plotBits_.assign(static_cast<size_t>(options_.plotColumns), 0);
  plotFalse_.assign(static_cast<size_t>(options_.plotColumns), 0);
}

void Analyzer::Add(const AnalysisFrame& frame) {
  const int64_t position = position_++;
  if (!frame.decoded) {
    return;
  }
  const int64_t n = decoded_++;
  const uint16_t carried = CarriedMask(frame.channels);
  carried_ |= carried;
  if (const uint16_t events = detector_.Step(frame.raw.data(), frame.output.data(), n)) {
    OnDetectorEvents(events, n, position);
  }
  Slot& s = ring_[static_cast<size_t>(n & (ringSize_ - 1))];
  s.out = detector_.outputs();
  s.residual = detector_.residuals();
  s.position = position;
  s.keys = frame.keys & carried;
  s.inRun = detector_.inRun();
  s.warm = detector_.Warm();
  anyKeys_ |= s.keys;
  ++framesCarrying_[static_cast<size_t>(std::clamp(frame.channels, 0, kAnalysisChannels))];
  if (--driftLeft_ <= 0 && s.warm) {
    SampleDrift(n);
    driftLeft_ = timing_.block;
  }
  if (n >= timing_.delay) {
    Classify(n - timing_.delay);
  }
}

void Analyzer::OnDetectorEvents(uint16_t lanes, int64_t n, int64_t position) {
  for (int k = 0; k < kAnalysisChannels; ++k) {
    if (!Bit(lanes, k)) {
      continue;
    }
    Lane& lane = lanes_[k];
    Touch* open = !lane.touches.empty() && lane.touches.back().end == Touch::kOpen
                      ? &lane.touches.back()
                      : nullptr;
    switch (detector_.event(k)) {
      case TouchDetectorBank::Event::Confirmed: {
        Touch t;
        t.start = detector_.start(k);
        t.startPosition = PositionOf(t.start);
        t.dir = detector_.direction(k);
        t.otherOutMax.fill(-kFloatHigh);
        lane.touches.push_back(t);
        UpdateZoneStart(k);
        break;
      }
      case TouchDetectorBank::Event::Ended:
        if (open != nullptr) {
          open->end = detector_.end(k);
          open->endPosition = PositionOf(open->end);
        }
        break;
      case TouchDetectorBank::Event::LevelChange:
        // Before the key's first touch a new level says the first one was
        // not idle (a touch held from before the range, a restart): what
        // was taken as idle under it is forgotten.
        if (std::none_of(lane.touches.begin(), lane.touches.end(),
                         [](const Touch& t) { return !t.voided; })) {
          ForgetIdle(k);
          if (open == nullptr) {
            // The frames not yet classified up to here are not idle either.
            Touch old;
            old.start = classified_;
            old.end = n;
            old.startPosition = PositionOf(std::max(classified_, n - ringSize_ + 1));
            old.endPosition = position;
            old.voided = true;
            lane.touches.push_back(old);
            UpdateZoneStart(k);
          }
        }
        if (open != nullptr) {
          open->voided = true;
          open->end = n;
          open->endPosition = position;
          // A key bit held through a shift of the idle level is no report of a touch.
          if (lane.bitStart >= open->start) {
            lane.bitOverlap = false;
          }
        }
        break;
      default:
        break;
    }
  }
}

int64_t Analyzer::CarriedFrames(int k) const {
  int64_t n = 0;
  for (int c = k + 1; c <= kAnalysisChannels; ++c) {
    n += framesCarrying_[static_cast<size_t>(c)];
  }
  return n;
}

void Analyzer::ForgetIdle(int k) {
  idle_.min[k] = idleTotals_.min[k] = kFloatHigh;
  idle_.max[k] = idleTotals_.max[k] = -kFloatHigh;
  idle_.outMin[k] = idleTotals_.outMin[k] = kFloatHigh;
  idle_.outMax[k] = idleTotals_.outMax[k] = -kFloatHigh;
  idle_.sum[k] = idle_.outSum[k] = 0;
  idle_.notIdle[k] = idle_.frames;
  idleTotals_.count[k] = 0;
  idleTotals_.sum[k] = idleTotals_.outSum[k] = 0;
  Lane& lane = lanes_[k];
  lane.noiseSum = lane.outputNoiseSum = 0;
  lane.noiseBlocks = 0;
  lane.baselineSum = 0;
  lane.baselineSamples = 0;
  lane.driftFirstAt = -1;
}

void Analyzer::UpdateZoneStart(int k) {
  (void)k;
  int64_t first = INT64_MAX;
  for (int j = 0; j < kAnalysisChannels; ++j) {
    const Lane& lane = lanes_[j];
    zoneStart_[j] = lane.current < lane.touches.size()
                        ? lane.touches[lane.current].start - timing_.guard
                        : INT64_MAX;
    first = std::min(first, zoneStart_[j]);
  }
  minZoneStart_ = first;
}

void Analyzer::SampleDrift(int64_t n) {
  for (int k = 0; k < kAnalysisChannels; ++k) {
    Lane& lane = lanes_[k];
    const double b = detector_.DriftBaseline(k);
    if (lane.driftFirstAt < 0) {
      lane.driftRunFramesAtFirst = detector_.runFrames(k);
      lane.driftFirst = lane.driftMin = lane.driftMax = b;
      lane.driftFirstAt = n;
      lane.driftRunFramesAtFirst = detector_.runFrames(k);
    }
    lane.driftMin = std::min(lane.driftMin, b);
    lane.driftMax = std::max(lane.driftMax, b);
    lane.driftLast = b;
    lane.driftLastAt = n;
    lane.baselineSum += detector_.Baseline(k);
    ++lane.baselineSamples;
  }
}

void Analyzer::Classify(int64_t t) {
  const Slot& s = ring_[static_cast<size_t>(t & (ringSize_ - 1))];
  classified_ = t + 1;
  if (options_.plotColumns > 0) {
    AddToPlot(s);
  }
  uint16_t idle = 0;
  uint16_t zone = 0;
  if (!s.warm) {
    zone = 0xFFFF;  // what the first frames hold is not known yet
  } else if (t < minZoneStart_ && s.inRun == 0) {
    idle = 0xFFFF;
    ++idle_.frames;
    AddIdle(s, idle);
  } else {
    ClassifyLanes(s, t, idle, zone);
    ++idle_.frames;
    for (uint16_t lanes = static_cast<uint16_t>(~idle); lanes != 0;
         lanes &= static_cast<uint16_t>(lanes - 1)) {
      ++idle_.notIdle[std::countr_zero(lanes)];
    }
    AddIdle(s, idle);
  }
  const uint16_t listed = options_.channels & carried_;
  idleFrames_ += (idle & listed) == listed ? 1 : 0;
  if ((s.keys | previousKeys_) != 0) {
    AddBits(s, t, zone);
  }
  previousKeys_ = s.keys;
  previousPosition_ = s.position;
  if (--blockLeft_ == 0) {
    CloseBlock();
    blockLeft_ = timing_.block;
  }
}

void Analyzer::ClassifyLanes(const Slot& s, int64_t t, uint16_t& idle, uint16_t& zone) {
  bool moved = false;
  uint16_t reached = 0;  // lanes at or past the guard of their next touch
  for (int k = 0; k < kAnalysisChannels; ++k) {
    reached |= t >= zoneStart_[k] ? static_cast<uint16_t>(1u << k) : 0;
  }
  idle = static_cast<uint16_t>(~(reached | s.inRun));
  for (uint16_t lanes = reached; lanes != 0; lanes &= static_cast<uint16_t>(lanes - 1)) {
    const int k = std::countr_zero(lanes);
    Lane& lane = lanes_[k];
    lane.zoneTouch = -1;
    while (lane.current < lane.touches.size() && lane.touches[lane.current].end != Touch::kOpen &&
           lane.touches[lane.current].end + timing_.guard < t) {
      ++lane.current;
      moved = true;
    }
    size_t at = lane.current;
    const bool near = at < lane.touches.size() && lane.touches[at].start - timing_.guard <= t;
    if (!near) {
      idle |= Bit(s.inRun, k) ? 0 : static_cast<uint16_t>(1u << k);
      continue;
    }
    zone |= static_cast<uint16_t>(1u << k);
    // Past this touch's end, the frame may already lie in the next one.
    if (t > lane.touches[at].end && at + 1 < lane.touches.size() &&
        lane.touches[at + 1].start <= t) {
      ++at;
    }
    lane.zoneTouch = static_cast<int>(at);
    Touch& touch = lane.touches[at];
    const bool core = t - touch.start >= timing_.edge &&
                      (touch.end == Touch::kOpen || touch.end - t >= timing_.edge);
    if (core && t <= touch.end && !touch.voided) {
      AddTouched(touch, s, k);
    }
  }
  if (moved) {
    UpdateZoneStart(0);
  }
}

void Analyzer::AddIdle(const Slot& s, uint16_t idle) {
  // The lanes that are not idle add nothing: their values read as NaN (all
  // bits set), which leaves the extremes as they were (a comparison with NaN
  // keeps the old one) and adds 0 to the sums. The masks come from a table,
  // eight lanes a row, so that the loop stays a few vector operations.
  IdleStats& d = idle_;
  for (int half = 0; half < 2; ++half) {
    const std::array<uint32_t, 8>& notIdle = kNotIdleMasks[(idle >> (8 * half)) & 0xFF];
    for (int j = 0; j < 8; ++j) {
      const int k = 8 * half + j;
      const float r = std::bit_cast<float>(std::bit_cast<uint32_t>(s.residual[k]) | notIdle[j]);
      const float o = std::bit_cast<float>(std::bit_cast<uint32_t>(s.out[k]) | notIdle[j]);
      // std::min(a, b) keeps a when b is NaN.
      d.min[k] = std::min(d.min[k], r);
      d.max[k] = std::max(d.max[k], r);
      d.outMin[k] = std::min(d.outMin[k], o);
      d.outMax[k] = std::max(d.outMax[k], o);
      d.sum[k] += r == r ? r : 0.0f;
      d.outSum[k] += o == o ? o : 0.0f;
    }
  }
}

void Analyzer::CloseBlock() {
  // A stretch counts for the noise when at least half of it was idle: the
  // noise then reads the same over a short recording and a long one.
  IdleStats& d = idle_;
  IdleTotals& total = idleTotals_;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    const int32_t idle = d.frames - d.notIdle[k];
    if (idle <= 0) {
      continue;
    }
    total.count[k] += idle;
    total.sum[k] += d.sum[k];
    total.outSum[k] += d.outSum[k];
    total.min[k] = std::min(total.min[k], d.min[k]);
    total.max[k] = std::max(total.max[k], d.max[k]);
    total.outMin[k] = std::min(total.outMin[k], d.outMin[k]);
    total.outMax[k] = std::max(total.outMax[k], d.outMax[k]);
    if (idle * 2 >= timing_.block) {
      Lane& lane = lanes_[k];
      lane.noiseSum += d.max[k] - d.min[k];
      lane.outputNoiseSum += d.outMax[k] - d.outMin[k];
      ++lane.noiseBlocks;
    }
  }
  d.Reset();
}

void Analyzer::AddTouched(Touch& touch, const Slot& s, int k) {
  ++touch.core;
  touch.riseSum += touch.dir * s.residual[k];
  touch.outSum += s.out[k];
  touch.outMin = std::min(touch.outMin, s.out[k]);
  touch.outMax = std::max(touch.outMax, s.out[k]);
  touch.otherBits |= s.keys;
  for (int j = 0; j < kAnalysisChannels; ++j) {
    touch.otherRise[j] += s.residual[j];
    touch.otherOutMax[j] = std::max(touch.otherOutMax[j], s.out[j]);
  }
}

void Analyzer::AddBits(const Slot& s, int64_t t, uint16_t zone) {
  for (uint16_t lanes = s.keys | previousKeys_; lanes != 0;
       lanes &= static_cast<uint16_t>(lanes - 1)) {
    const int k = std::countr_zero(lanes);
    const bool bit = Bit(s.keys, k);
    const bool was = Bit(previousKeys_, k);
    Lane& lane = lanes_[k];
    const bool inZone = Bit(zone, k);
    Touch* touch = inZone && s.warm && lane.zoneTouch >= 0
                       ? &lane.touches[static_cast<size_t>(lane.zoneTouch)]
                       : nullptr;
    const bool touched = touch != nullptr && t >= touch->start && t <= touch->end;
    if (!bit) {
      EndBitRun(k, t - 1, previousPosition_);
      if (touched && touch->firstBit >= 0) {
        touch->dropStart = t;
      }
      continue;
    }
    ++lane.bitFrames;
    if (!was) {
      lane.bitStart = t;
      lane.bitStartPosition = s.position;
      lane.bitOverlap = false;
    }
    lane.bitOverlap = lane.bitOverlap || inZone;
    if (touch == nullptr) {
      continue;
    }
    touch->reported = true;
    if (touch->firstBit < 0) {
      touch->firstBit = t;
    } else if (!was && touched && touch->dropStart >= 0) {
      ++touch->dropouts;
      touch->longestDropout = std::max(touch->longestDropout, t - touch->dropStart);
    }
    touch->dropStart = -1;
  }
}

void Analyzer::EndBitRun(int k, int64_t lastFrame, int64_t lastPosition) {
  Lane& lane = lanes_[k];
  if (lane.bitStart < 0) {
    return;
  }
  if (!lane.bitOverlap) {
    ++lane.falseTouches;
    lane.longestFalse = std::max(lane.longestFalse, lastFrame - lane.bitStart + 1);
    if (options_.plotColumns > 0) {
      const int64_t columns = options_.plotColumns;
      const int64_t from = std::min(lane.bitStartPosition * columns / rangeFrames_, columns - 1);
      const int64_t to = std::min(lastPosition * columns / rangeFrames_, columns - 1);
      for (int64_t c = from; c <= to; ++c) {
        plotFalse_[static_cast<size_t>(c)] |= static_cast<uint16_t>(1u << k);
      }
    }
  }
  lane.bitStart = -1;
}

void Analyzer::AddToPlot(const Slot& s) {
  // The column changes every so many frames: a division only then.
  if (s.position >= nextColumnAt_ || s.position < columnFrom_) {
    plotColumn_ = std::min<int64_t>(s.position * options_.plotColumns / rangeFrames_,
                                    options_.plotColumns - 1);
    columnFrom_ = (plotColumn_ * rangeFrames_ + options_.plotColumns - 1) / options_.plotColumns;
    nextColumnAt_ =
        ((plotColumn_ + 1) * rangeFrames_ + options_.plotColumns - 1) / options_.plotColumns;
  }
  const auto column = static_cast<size_t>(plotColumn_);
  float* low = plotMin_.data() + column * kAnalysisChannels;
  float* high = plotMax_.data() + column * kAnalysisChannels;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    low[k] = std::min(low[k], s.out[k]);
    high[k] = std::max(high[k], s.out[k]);
  }
  plotValid_[column] = 0xFFFF;
  plotBits_[column] |= s.keys;
}

AnalysisResult AnalyzeBuffer(const CaptureContext& ctx, int64_t from, int64_t to,
                             const AnalysisOptions& options) {
  const auto lock = ctx.ReadLock();
  return AnalyzeLockedBuffer(ctx, from, to, options);
}

AnalysisResult AnalyzeLockedBuffer(const CaptureContext& ctx, int64_t from, int64_t to,
                                   const AnalysisOptions& options) {
  const int64_t first = std::max<int64_t>(from, 0);
  const int64_t last = std::min<int64_t>(to, int64_t{ctx.WriteIndex()} - 1);
  Analyzer analyzer(options, last - first + 1);
  AnalysisFrame frame;
  for (int64_t i = first; i <= last; ++i) {
    ReadAnalysisFrame(ctx, static_cast<int>(i), options.singleByteMode, frame);
    analyzer.Add(frame);
  }
  AnalysisResult result = analyzer.Finish();
  result.firstFrame = first;
  result.lastFrame = last;
  return result;
}

std::optional<double> StampedFramePeriod(const CaptureContext& ctx, int64_t from, int64_t to) {
  const int64_t first = std::max<int64_t>(from, 1);  // frame 0 carries no values
  const int64_t last = std::min<int64_t>(to, int64_t{ctx.WriteIndex()} - 1);
  const SampleFrame* a = ctx.FrameAt(static_cast<int>(first));
  const SampleFrame* b = ctx.FrameAt(static_cast<int>(last));
  if (a == nullptr || b == nullptr || last <= first) {
    return std::nullopt;
  }
  const uint32_t span = b->timestamp - a->timestamp;  // the millisecond clock wraps
  if (span == 0 || span > 0x7FFFFFFF) {
    return std::nullopt;
  }
  return static_cast<double>(span) / static_cast<double>(last - first);
}

}  // namespace padscope
