#include "analysis/Analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "capture/CaptureContext.h"

namespace padscope {

namespace {

constexpr int32_t kSingleByteThresholdMin = 1;
constexpr int32_t kSingleByteThresholdMax = 255;

uint16_t CarriedMask(int channels) {
  return channels >= kAnalysisChannels ? 0xFFFF : static_cast<uint16_t>((1u << channels) - 1);
}

int32_t RecommendedThreshold(const DomainFigures& d, const AnalysisOptions& options) {
  const double at = d.idle.max + options.thresholdAt * (d.touched.Mean() - d.idle.max);
  double rounded = std::round(at);
  if (options.singleByteMode) {
    rounded = std::clamp<double>(rounded, kSingleByteThresholdMin, kSingleByteThresholdMax);
  }
  rounded = std::clamp<double>(rounded, std::numeric_limits<int32_t>::min(),
                               std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(rounded);
}

}  // namespace

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::Pass:
      return "pass";
    case Verdict::Fail:
      return "fail";
    case Verdict::Untouched:
      return "untouched";
    case Verdict::NoData:
      break;
  }
  return "no data";
}

void ValueStats::Add(int32_t v) {
  if (count == 0) {
    min = max = origin = v;
  }
  ++count;
  min = std::min(min, v);
  max = std::max(max, v);
  const int64_t d = int64_t{v} - origin;
  sum += d;
  sumSquares += static_cast<double>(d) * static_cast<double>(d);
}

double ValueStats::Mean() const {
  return count == 0 ? 0.0 : origin + static_cast<double>(sum) / static_cast<double>(count);
}

double ValueStats::StdDev() const {
  if (count < 2) {
    return 0.0;
  }
  const double n = static_cast<double>(count);
  const double m = static_cast<double>(sum) / n;
  return std::sqrt(std::max(0.0, sumSquares / n - m * m));
}

bool AnalysisResult::TouchedChannelsPass() const {
  return std::none_of(channels.begin(), channels.end(), [](const ChannelResult& c) {
    return c.verdict == Verdict::Fail || (c.verdict == Verdict::NoData && c.touches > 0);
  });
}

const ChannelResult* AnalysisResult::Channel(int channel) const {
  for (const ChannelResult& c : channels) {
    if (c.channel == channel) {
      return &c;
    }
  }
  return nullptr;
}

Analyzer::Analyzer(const AnalysisOptions& options, int64_t rangeFrames)
    : options_(options), rangeFrames_(std::max<int64_t>(rangeFrames, 1)) {
  options_.guard = std::clamp(options_.guard, 0, kMaxGuardFrames);
  options_.plotColumns = std::max(options_.plotColumns, 0);
  window_.resize(2 * static_cast<size_t>(options_.guard) + 1);
  for (Accumulator& a : channels_) {
    a.plot.resize(static_cast<size_t>(options_.plotColumns));
  }
}

void Analyzer::Add(const AnalysisFrame& frame) {
  const int64_t position = position_++;
  if (!frame.decoded) {
    return;
  }
  ++frames_;
  carried_ |= CarriedMask(frame.channels);
  const uint16_t keys = frame.keys & CarriedMask(frame.channels);
  const uint16_t rising = keys & ~previousKeys_;
  previousKeys_ = keys;
  for (int k = 0; rising != 0 && k < kAnalysisChannels; ++k) {
    channels_[k].touches += (rising >> k) & 1;
  }
  if (options_.plotColumns > 0) {
    AddToPlot(frame, keys, position);
  }

  // Slide the guard window: the oldest frame leaves, this one enters.
  AnalysisFrame& slot = window_[windowNext_];
  if (windowFill_ == window_.size()) {
    CountKeys(slot.keys, -1);
  }
  slot = frame;
  slot.keys = keys;
  CountKeys(keys, 1);
  windowNext_ = (windowNext_ + 1) % window_.size();
  windowFill_ = std::min(windowFill_ + 1, window_.size());
  if (windowFill_ == window_.size()) {
    Classify(window_[(windowNext_ + static_cast<size_t>(options_.guard)) % window_.size()]);
  }
}

void Analyzer::AddToPlot(const AnalysisFrame& f, uint16_t keys, int64_t position) {
  const auto column = static_cast<size_t>(
      std::min<int64_t>(position * options_.plotColumns / rangeFrames_, options_.plotColumns - 1));
  for (int k = 0; k < f.channels; ++k) {
    PlotColumn& p = channels_[k].plot[column];
    const int32_t v = f.output[k];
    p.min = p.valid ? std::min(p.min, v) : v;
    p.max = p.valid ? std::max(p.max, v) : v;
    p.valid = true;
    p.touched = p.touched || ((keys >> k) & 1) != 0;
  }
}

void Analyzer::CountKeys(uint16_t keys, int step) {
  if (keys == 0) {
    return;  // most frames: nothing touched
  }
  withAnyKey_ += step;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    withKey_[k] += step * ((keys >> k) & 1);
  }
}

// The middle frame of a full window: idle, touched for some keys, or neither.
void Analyzer::Classify(const AnalysisFrame& f) {
  const int whole = static_cast<int>(window_.size());
  if (withAnyKey_ == 0) {
    ++idleFrames_;
    for (int k = 0; k < f.channels; ++k) {
      channels_[k].output.idle.Add(f.output[k]);
      channels_[k].raw.idle.Add(f.raw[k]);
    }
    return;
  }
  for (int k = 0; k < f.channels; ++k) {
    if (withKey_[k] != whole) {
      continue;
    }
    Accumulator& a = channels_[k];
    a.output.touched.Add(f.output[k]);
    a.raw.touched.Add(f.raw[k]);
    if (f.keys == (1u << k)) {
      ++aloneFrames_[k];
      for (int j = 0; j < f.channels; ++j) {
        a.aloneSums[j] += f.output[j];
      }
    }
  }
}

ChannelResult Analyzer::Summarise(int channel) const {
  const Accumulator& a = channels_[channel];
  ChannelResult r;
  r.channel = channel;
  r.output = a.output;
  r.raw = a.raw;
  r.touches = a.touches;
  if (r.HasIdle() && r.HasTouch()) {
    const double signal = r.output.Signal();
    const int64_t noise = r.output.Noise();
    if (noise > 0) {
      r.snr = signal / static_cast<double>(noise);
    } else {
      r.snr = signal > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    r.recommendedThreshold = RecommendedThreshold(r.output, options_);
  }
  if (options_.thresholds) {
    const int32_t t = (*options_.thresholds)[channel];
    r.threshold = t;
    if (r.HasIdle()) {
      r.falseTouchMargin = int64_t{t} - r.output.idle.max;
    }
    if (r.HasTouch()) {
      r.detectionMargin = int64_t{r.output.touched.min} - t;
    }
  }
  // A key touched only too briefly to hold through its guard frames has no
  // figures either: that is missing data, not an untouched key.
  if (!r.HasIdle() || (!r.HasTouch() && r.touches > 0)) {
    r.verdict = Verdict::NoData;
  } else if (!r.HasTouch()) {
    r.verdict = Verdict::Untouched;
  } else {
    r.verdict = r.snr >= options_.minSnr ? Verdict::Pass : Verdict::Fail;
  }
  return r;
}

void Analyzer::SummariseCrosstalk(AnalysisResult& result) const {
  for (int i = 0; i < kAnalysisChannels; ++i) {
    const int64_t n = aloneFrames_[i];
    const Accumulator& touched = channels_[i];
    const bool hasSignal = touched.output.idle.count > 0 && touched.output.touched.count > 0;
    const double signal = hasSignal ? touched.output.Signal() : 0.0;
    for (int j = 0; j < kAnalysisChannels; ++j) {
      const ValueStats& idle = channels_[j].output.idle;
      CrosstalkCell& cell = result.crosstalk[i][j];
      if (n == 0 || idle.count == 0 || i == j) {
        continue;
      }
      cell.measured = true;
      cell.shift = static_cast<double>(touched.aloneSums[j]) / static_cast<double>(n) - idle.Mean();
      if (signal > 0) {
        cell.percent = 100.0 * cell.shift / signal;
      }
      const bool shown = ((options_.channels >> i) & 1) && ((options_.channels >> j) & 1);
      cell.flagged = shown && cell.percent && *cell.percent > options_.crosstalkFlagPercent;
    }
  }
}

AnalysisResult Analyzer::Finish() {
  AnalysisResult result;
  result.options = options_;
  result.frames = frames_;
  result.idleFrames = idleFrames_;
  result.aloneFrames = aloneFrames_;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    if (((options_.channels & carried_) >> k) & 1) {
      result.channels.push_back(Summarise(k));
      result.channels.back().plot = std::move(channels_[k].plot);
    }
  }
  SummariseCrosstalk(result);
  return result;
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

}  // namespace padscope
