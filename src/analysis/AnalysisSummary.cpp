// The figures of an analysis once its frames are in: whose rise is whose
// (crosstalk), the per-key figures, the thresholds and the verdicts.
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/Analysis.h"
#include "analysis/ThresholdRules.h"

namespace padscope {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Two keys' rises count as alike when their shares of their own largest
// touches are this close; the larger rise in counts is then the touch.
constexpr double kScoreTie = 0.1;

bool Bit(uint16_t mask, int k) {
  return ((mask >> k) & 1) != 0;
}

double Ratio(double signal, double noise) {
  if (noise > 0) {
    return signal / noise;
  }
  return signal > 0 ? kInfinity : 0.0;
}

double MeanRise(const Analyzer::Touch& t) {
  return t.core > 0 ? t.riseSum / static_cast<double>(t.core) : 0.0;
}

// A touch that counts for its key: in the key's direction, not a shift of
// the idle level, with touched frames.
bool Candidate(const Analyzer::Touch& t, int polarity) {
  return !t.voided && t.core > 0 && t.dir == polarity;
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
    case Verdict::Stuck:
      return "stuck";
    case Verdict::Dead:
      return "dead";
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

bool AnalysisResult::AllKeysPass() const {
  return std::all_of(channels.begin(), channels.end(),
                     [](const ChannelResult& c) { return c.verdict == Verdict::Pass; });
}

const ChannelResult* AnalysisResult::Channel(int channel) const {
  for (const ChannelResult& c : channels) {
    if (c.channel == channel) {
      return &c;
    }
  }
  return nullptr;
}

AnalysisResult Analyzer::Finish() {
  if (decoded_ > 0) {
    // What is still going on ends with the range.
    const int64_t last = decoded_ - 1;
    const uint16_t ended = detector_.Close(last);
    for (int k = 0; k < kAnalysisChannels; ++k) {
      std::vector<Touch>& touches = lanes_[k].touches;
      if (Bit(ended, k) && !touches.empty() && touches.back().end == Touch::kOpen) {
        touches.back().end = last;
        touches.back().endPosition = PositionOf(last);
      }
    }
    for (int64_t t = classified_; t < decoded_; ++t) {
      Classify(t);
    }
    CloseBlock();  // the stretch the range ends in
    for (int k = 0; k < kAnalysisChannels; ++k) {
      if (Bit(previousKeys_, k)) {
        EndBitRun(k, last, previousPosition_);
      }
    }
  }
  std::array<int, kAnalysisChannels> polarity{};
  for (int k = 0; k < kAnalysisChannels; ++k) {
    polarity[k] = detector_.polarity(k);
    if (polarity[k] == 0) {
      // No output said it and no touch returned: the direction that moved more.
      double up = 0;
      double down = 0;
      for (const Touch& t : lanes_[k].touches) {
        (t.dir > 0 ? up : down) += t.voided ? 0 : MeanRise(t) * static_cast<double>(t.core);
      }
      polarity[k] = up > down ? 1 : down > up ? -1 : 0;
    }
  }
  ResolveCrosstalk(polarity);

  AnalysisResult result;
  result.options = options_;
  result.frames = decoded_;
  result.idleFrames = idleFrames_;
  result.keyBits = anyKeys_ != 0;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    if (Bit(options_.channels & carried_, k)) {
      result.channels.push_back(Summarise(k, polarity[k]));
    }
  }
  SummariseCrosstalk(result, polarity);
  for (ChannelResult& c : result.channels) {
    Judge(c, result);
    BuildPlot(c);
  }
  return result;
}

void Analyzer::ResolveCrosstalk(const std::array<int, kAnalysisChannels>& polarity) {
  struct Entry {
    int channel;
    Touch* touch;
  };
  std::vector<Entry> entries;
  std::array<double, kAnalysisChannels> largest{};
  for (int k = 0; k < kAnalysisChannels; ++k) {
    for (Touch& t : lanes_[k].touches) {
      t.victimOf = -1;
      if (Candidate(t, polarity[k])) {
        entries.push_back({k, &t});
        largest[k] = std::max(largest[k], MeanRise(t));
      }
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.touch->start < b.touch->start; });
  // Touches that overlap in time form a group; one of them is the touch, the
  // others' rises are its crosstalk.
  for (size_t first = 0; first < entries.size();) {
    size_t end = first + 1;
    int64_t reach = entries[first].touch->end;
    while (end < entries.size() && entries[end].touch->start <= reach) {
      reach = std::max(reach, entries[end].touch->end);
      ++end;
    }
    if (end - first > 1) {
      const Touch& head = *entries[first].touch;
      int source = -1;
      for (const AskedTouch& a : options_.asked) {
        const bool overlaps =
            a.from <= std::max(head.endPosition, head.startPosition) && a.to >= head.startPosition;
        for (size_t i = first; i < end && overlaps; ++i) {
          source = entries[i].channel == a.channel ? a.channel : source;
        }
      }
      if (source < 0) {
        double bestScore = -1;
        double bestRise = -1;
        for (size_t i = first; i < end; ++i) {
          const double rise = MeanRise(*entries[i].touch);
          const double score = rise / std::max(largest[entries[i].channel], 1e-9);
          if (score > bestScore + kScoreTie ||
              (std::abs(score - bestScore) <= kScoreTie && rise > bestRise)) {
            bestScore = std::max(bestScore, score);
            bestRise = rise;
            source = entries[i].channel;
          }
        }
      }
      for (size_t i = first; i < end; ++i) {
        if (entries[i].channel != source) {
          entries[i].touch->victimOf = source;
        }
      }
    }
    first = end;
  }
}

ChannelResult Analyzer::Summarise(int k, int polarity) const {
  const Lane& lane = lanes_[k];
  const double period = options_.frameMs;
  ChannelResult c;
  c.channel = k;
  c.polarity = polarity > 0 ? Polarity::Up : polarity < 0 ? Polarity::Down : Polarity::Unknown;
  const IdleTotals& idle = idleTotals_;
  c.idleFrames = idle.count[k];
  if (c.idleFrames > 0) {
    const auto n = static_cast<double>(c.idleFrames);
    const double baseline =
        lane.baselineSamples > 0 ? lane.baselineSum / static_cast<double>(lane.baselineSamples) : 0;
    c.rawBaseline = baseline + idle.sum[k] / n;
    c.idleMean = idle.outSum[k] / n;
    c.idleMin = static_cast<int32_t>(idle.outMin[k]);
    c.idleMax = static_cast<int32_t>(idle.outMax[k]);
    const auto blocks = static_cast<double>(lane.noiseBlocks);
    c.rawNoise = lane.noiseBlocks > 0 ? lane.noiseSum / blocks
                                      : static_cast<double>(idle.max[k] - idle.min[k]);
    c.outputNoise = lane.noiseBlocks > 0 ? lane.outputNoiseSum / blocks
                                         : static_cast<double>(c.idleMax) - c.idleMin;
  }
  if (lane.driftLastAt > lane.driftFirstAt) {
    // The baseline moves only while the key is in no run: its drift is the
    // change over that time.
    c.driftSpan = lane.driftMax - lane.driftMin;
    const double quiet = static_cast<double>(lane.driftLastAt - lane.driftFirstAt) -
                         static_cast<double>(detector_.runFrames(k) - lane.driftRunFramesAtFirst);
    if (quiet > 0) {
      c.driftPerMinute = (lane.driftLast - lane.driftFirst) / (quiet * period / 60000.0);
    }
  }
  c.restarts = detector_.restarts(k);
  c.spikes = detector_.spikes(k);
  double riseSum = 0;
  double outSum = 0;
  double delaySum = 0;
  int64_t longestDropout = 0;
  c.touchedMin = std::numeric_limits<int32_t>::max();
  c.rawWeakest = kInfinity;
  c.weakestMean = kInfinity;
  for (const Touch& t : lane.touches) {
    if (!Candidate(t, polarity)) {
      continue;
    }
    if (t.victimOf >= 0) {
      c.falseTouches += t.reported ? 1 : 0;  // the bit followed a neighbour's touch
      continue;
    }
    ++c.touches;
    c.touchedFrames += t.core;
    riseSum += t.riseSum;
    outSum += t.outSum;
    c.touchedMin = std::min(c.touchedMin, static_cast<int32_t>(t.outMin));
    c.touchedSpan = std::max(c.touchedSpan, static_cast<int32_t>(t.outMax - t.outMin));
    c.rawWeakest = std::min(c.rawWeakest, MeanRise(t));
    c.weakestMean = std::min(c.weakestMean, t.outSum / static_cast<double>(t.core));
    if (t.reported) {
      ++c.reported;
      delaySum += static_cast<double>(t.firstBit - t.start) * period;
    }
    c.chatter += t.dropouts;
    longestDropout = std::max(longestDropout, t.longestDropout);
  }
  c.missed = c.touches - c.reported;
  c.falseTouches += lane.falseTouches;
  c.longestFalseMs = static_cast<double>(lane.longestFalse) * period;
  c.longestDropoutMs = static_cast<double>(longestDropout) * period;
  c.bitFrames = lane.bitFrames;
  if (c.reported > 0) {
    c.delayMs = delaySum / static_cast<double>(c.reported);
  }
  if (c.touches == 0) {
    c.touchedMin = 0;
    c.rawWeakest = 0;
    c.weakestMean = 0;
    return c;
  }
  const auto frames = static_cast<double>(c.touchedFrames);
  c.rawSignal = riseSum / frames;
  c.touchedMean = outSum / frames;
  if (c.HasIdle()) {
    c.snr = Ratio(c.rawSignal, c.rawNoise);
    c.outputSignal = c.touchedMean - c.idleMean;
    c.outputSnr = Ratio(c.outputSignal, c.outputNoise);
  }
  return c;
}

void Analyzer::SummariseCrosstalk(AnalysisResult& result,
                                  const std::array<int, kAnalysisChannels>& polarity) const {
  for (ChannelResult& from : result.channels) {
    const int i = from.channel;
    std::array<double, kAnalysisChannels> rise{};
    std::array<float, kAnalysisChannels> outMax{};
    outMax.fill(-std::numeric_limits<float>::max());
    std::array<int64_t, kAnalysisChannels> fired{};
    int64_t frames = 0;
    int64_t touches = 0;
    for (const Touch& t : lanes_[i].touches) {
      if (!Candidate(t, polarity[i]) || t.victimOf >= 0) {
        continue;
      }
      frames += t.core;
      ++touches;
      for (int j = 0; j < kAnalysisChannels; ++j) {
        // A neighbour's rise counts in the neighbour's own touch direction.
        const int dir = polarity[j] != 0 ? polarity[j] : polarity[i];
        rise[j] += dir * double{t.otherRise[j]};
        outMax[j] = std::max(outMax[j], t.otherOutMax[j]);
        fired[j] += Bit(t.otherBits, j) ? 1 : 0;
      }
    }
    if (frames == 0) {
      continue;
    }
    for (ChannelResult& to : result.channels) {
      const int j = to.channel;
      CrosstalkCell& cell = result.crosstalk[i][j];
      if (i == j) {
        continue;
      }
      cell.measured = true;
      cell.shift = rise[j] / static_cast<double>(frames);
      if (from.rawSignal > 0) {
        cell.percent = 100.0 * cell.shift / from.rawSignal;
      }
      cell.fired = fired[j];
      // One spike of j's during one of i's touches is no crosstalk; firing
      // again (or on i's only touch) is.
      const bool fires = cell.fired > 1 || (cell.fired == 1 && touches == 1);
      cell.flagged = fires || (cell.percent && *cell.percent > options_.crosstalkFlagPercent);
      if (cell.flagged) {
        to.crosstalkCeiling = std::max(to.crosstalkCeiling, static_cast<int32_t>(outMax[j]));
        if (fires && (to.crosstalkFrom < 0 || cell.fired > fired[to.crosstalkFrom])) {
          to.crosstalkFrom = i;
        }
      }
    }
  }
}

void Analyzer::Judge(ChannelResult& c, const AnalysisResult& result) const {
  const int k = c.channel;
  const Lane& lane = lanes_[k];
  const std::optional<int32_t> t =
      options_.thresholds ? std::optional<int32_t>((*options_.thresholds)[k]) : std::nullopt;
  c.threshold = t;
  if (c.Measured()) {
    const ThresholdFigures f{c.idleMean, c.idleMax, c.touchedMean, c.weakestMean};
    Recommendation r = RecommendThreshold(f, options_);
    bool flaggedInto = false;
    for (const ChannelResult& other : result.channels) {
      flaggedInto = flaggedInto || result.crosstalk[other.channel][k].flagged;
    }
    // A neighbour's crosstalk stays below the threshold of the key it moves;
    // where even the key's own touches do not clear it, no threshold helps.
    if (flaggedInto) {
      r.threshold = std::max({r.threshold, c.crosstalkCeiling + 1, t.value_or(r.threshold)});
    }
    if (!flaggedInto || r.threshold <= c.touchedMin) {
      c.recommendedThreshold = r.threshold;
      c.hysteresis = r.hysteresis;
      c.noiseThreshold = r.noiseThreshold;
    }
  }
  if (t) {
    if (c.HasIdle()) {
      c.falseTouchMargin = int64_t{*t} - c.idleMax;
    }
    if (c.HasTouch()) {
      c.detectionMargin = int64_t{c.touchedMin} - *t;
    }
  }
  uint32_t reasons = 0;
  reasons |= c.Measured() && c.snr < options_.minSnr ? uint32_t{kReasonLowSnr} : 0u;
  reasons |= c.missed > 0 ? uint32_t{kReasonMissed} : 0u;
  reasons |= c.falseTouches > 0 ? uint32_t{kReasonFalseTouches} : 0u;
  reasons |= c.detectionMargin && *c.detectionMargin < 0 ? uint32_t{kReasonDetectionMargin} : 0u;
  reasons |= c.falseTouchMargin && *c.falseTouchMargin < 0 ? uint32_t{kReasonFalseTouchMargin} : 0u;
  reasons |= c.crosstalkFrom >= 0 ? uint32_t{kReasonCrosstalk} : 0u;
  c.reasons = reasons;
  const int64_t carried = CarriedFrames(k);
  const bool dead = carried >= 2 && !detector_.Moved(k);
  const bool stuck =
      carried >= timing_.detector.minTouch &&
      (lane.bitFrames == carried || (t && !result.keyBits && c.HasIdle() && c.idleMin > *t));
  if (dead) {
    c.verdict = Verdict::Dead;
  } else if (stuck) {
    c.verdict = Verdict::Stuck;
  } else if (!c.HasIdle()) {
    c.verdict = Verdict::NoData;
  } else if (!c.HasTouch()) {
    c.verdict = reasons != 0 ? Verdict::Fail : Verdict::Untouched;
  } else {
    c.verdict = reasons != 0 ? Verdict::Fail : Verdict::Pass;
  }
}

void Analyzer::BuildPlot(ChannelResult& c) const {
  const int k = c.channel;
  const int64_t columns = options_.plotColumns;
  c.plot.assign(static_cast<size_t>(columns), PlotColumn{});
  for (int64_t col = 0; col < columns; ++col) {
    PlotColumn& p = c.plot[static_cast<size_t>(col)];
    const auto i = static_cast<size_t>(col);
    p.valid = Bit(plotValid_[i], k);
    if (p.valid) {  // a column without frames keeps its sentinels, which no count can hold
      p.min = static_cast<int32_t>(plotMin_[i * kAnalysisChannels + static_cast<size_t>(k)]);
      p.max = static_cast<int32_t>(plotMax_[i * kAnalysisChannels + static_cast<size_t>(k)]);
    }
    p.bit = Bit(plotBits_[i], k);
    p.falseTouch = Bit(plotFalse_[i], k);
  }
  const int polarity = c.polarity == Polarity::Up ? 1 : c.polarity == Polarity::Down ? -1 : 0;
  for (const Touch& t : lanes_[k].touches) {
    if (!Candidate(t, polarity) || columns == 0) {
      continue;
    }
    const int64_t last = t.endPosition == Touch::kOpen ? position_ - 1 : t.endPosition;
    const int64_t from = std::min(t.startPosition * columns / rangeFrames_, columns - 1);
    const int64_t to = std::min(last * columns / rangeFrames_, columns - 1);
    for (int64_t col = from; col <= to; ++col) {
      PlotColumn& p = c.plot[static_cast<size_t>(col)];
      if (t.victimOf >= 0) {
        p.crosstalk = true;
        p.falseTouch = p.falseTouch || t.reported;
      } else {
        p.touched = true;
        p.missed = p.missed || !t.reported;
      }
    }
  }
}

}  // namespace padscope
