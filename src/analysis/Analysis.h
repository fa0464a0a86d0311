#pragma once

// The tuning analysis over a range of frames, from the signal itself: per key
// the touches found in its raw counts (TouchDetector.h), the idle frames
// (not in a touch, a spike or the guard on either side of a touch) with the
// noise around the tracked baseline, the touched frames (the touches less
// their edges) with the rise above it, and the chip's key bits counted
// against those touches: touches it missed, bits without a touch, dropouts
// within a touch, the delay to the bit. Crosstalk is a neighbour's rise during
// a key's touches; the neighbour's rise is not taken as its own touch.
//
// One pass, linear in the frames; memory in proportion to the guard, the
// plot width and the number of touches, never the frames. A re-run over a
// range of a few thousand frames takes well under a millisecond, so a window
// may simply run it again.

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/AnalysisFrame.h"
#include "analysis/AnalysisOptions.h"
#include "analysis/AnalysisResult.h"
#include "analysis/TouchDetector.h"

namespace padscope {

class CaptureContext;

// The options' times in frames.
struct AnalysisTiming {
  DetectorTiming detector;
  int guard = 3;    // frames on either side of a touch that are not idle
  int edge = 1;     // frames at either end of a touch that are not touched
  int block = 128;  // frames per stretch the noise is measured over
  int delay = 7;    // frames a frame waits until what follows it is known

  static AnalysisTiming Of(const AnalysisOptions& options);
};

// The analysis fed frame by frame from any source, in recording order.
class Analyzer {
 public:
  // `rangeFrames` is how many frames Add will be given (for the plot columns).
  Analyzer(const AnalysisOptions& options, int64_t rangeFrames);

  // Every frame of the range, decoded or not (those not decoded are skipped
  // but keep the positions in step).
  void Add(const AnalysisFrame& frame);
  // The figures of the frames added. Call once: the analyser is spent (copy
  // it first to go on adding frames).
  AnalysisResult Finish();

  // A touch found in one key's signal, and what happened during it.
  struct Touch {
    static constexpr int64_t kOpen = INT64_MAX;
    int64_t start = 0;  // decoded frames
    int64_t end = kOpen;
    int64_t startPosition = 0;  // positions as given to Add
    int64_t endPosition = kOpen;
    int dir = 1;
    bool voided = false;  // it became a new idle level
    int64_t core = 0;     // touched frames
    double riseSum = 0;
    double outSum = 0;
    float outMin = 3e38f;
    float outMax = -3e38f;
    bool reported = false;  // the key bit was set during it
    int64_t firstBit = -1;
    int64_t dropStart = -1;
    int64_t dropouts = 0;
    int64_t longestDropout = 0;
    uint16_t otherBits = 0;  // other keys' bits during its touched frames
    int victimOf = -1;       // the key whose touch this one's rise is crosstalk of
    std::array<float, kAnalysisChannels> otherRise{};  // others' residuals, summed
    std::array<float, kAnalysisChannels> otherOutMax{};
  };

 private:
  struct Slot {
    std::array<float, kAnalysisChannels> out{};
    std::array<float, kAnalysisChannels> residual{};
    int64_t position = 0;
    uint16_t keys = 0;
    uint16_t inRun = 0;
    bool warm = false;
  };
  struct Lane {
    std::vector<Touch> touches;
    size_t current = 0;  // the first touch whose guard is not behind the frame classified
    int zoneTouch = -1;  // the touch whose zone holds the frame classified, or -1
    int64_t bitStart = -1;
    int64_t bitStartPosition = 0;
    bool bitOverlap = false;
    int64_t falseTouches = 0;
    int64_t longestFalse = 0;
    int64_t bitFrames = 0;
    int64_t noiseBlocks = 0;
    double noiseSum = 0;
    double outputNoiseSum = 0;
    double baselineSum = 0;  // the baseline sampled once a stretch
    int64_t baselineSamples = 0;
    double driftMin = 0, driftMax = 0, driftFirst = 0, driftLast = 0;
    int64_t driftFirstAt = -1, driftLastAt = -1;
    int64_t driftRunFramesAtFirst = 0;
  };
  // Per lane, the idle frames' sums and extremes over the current stretch
  // (arrays, so that a frame is a few vector operations whichever lanes are
  // idle: the others add nothing), folded into the totals as it closes.
  struct IdleStats {
    std::array<float, kAnalysisChannels> min{}, max{}, outMin{}, outMax{};
    std::array<float, kAnalysisChannels> sum{}, outSum{};
    std::array<int32_t, kAnalysisChannels> notIdle{};  // lanes' frames of the stretch not idle
    int32_t frames = 0;                                // frames of the stretch that could be idle
    void Reset();
  };
  struct IdleTotals {
    std::array<int64_t, kAnalysisChannels> count{};
    std::array<double, kAnalysisChannels> sum{}, outSum{};
    std::array<float, kAnalysisChannels> min{}, max{}, outMin{}, outMax{};
  };

  void OnDetectorEvents(uint16_t lanes, int64_t n, int64_t position);
  void Classify(int64_t t);
  void ClassifyLanes(const Slot& s, int64_t t, uint16_t& idle, uint16_t& zone);
  void AddIdle(const Slot& s, uint16_t idle);
  void AddTouched(Touch& touch, const Slot& s, int k);
  void AddBits(const Slot& s, int64_t t, uint16_t zone);
  void EndBitRun(int k, int64_t lastFrame, int64_t lastPosition);
  void AddToPlot(const Slot& s);
  void CloseBlock();
  void SampleDrift(int64_t n);
  void UpdateZoneStart(int k);
  void ForgetIdle(int k);
  int64_t CarriedFrames(int k) const;
  int64_t PositionOf(int64_t n) const {
    return ring_[static_cast<size_t>(n & (ringSize_ - 1))].position;
  }

  // AnalysisSummary.cpp
  void ResolveCrosstalk(const std::array<int, kAnalysisChannels>& polarity);
  ChannelResult Summarise(int k, int polarity) const;
  void SummariseCrosstalk(AnalysisResult& result,
                          const std::array<int, kAnalysisChannels>& polarity) const;
  void Judge(ChannelResult& c, const AnalysisResult& result) const;
  void BuildPlot(ChannelResult& c) const;

  AnalysisOptions options_;
  AnalysisTiming timing_;
  int64_t rangeFrames_;
  TouchDetectorBank detector_;
  int64_t position_ = 0;  // frames given so far
  int64_t decoded_ = 0;   // decoded frames so far
  int64_t classified_ = 0;
  int64_t idleFrames_ = 0;
  uint16_t carried_ = 0;
  uint16_t anyKeys_ = 0;
  uint16_t previousKeys_ = 0;
  int64_t previousPosition_ = 0;
  int64_t minZoneStart_ = INT64_MAX;
  std::array<int64_t, kAnalysisChannels> zoneStart_{};  // per lane: the guard of its next touch
  int64_t ringSize_ = 1;
  int64_t blockLeft_ = 1;  // classified frames until the stretch closes
  int64_t driftLeft_ = 0;  // frames until the baseline is sampled again
  std::vector<Slot> ring_;
  std::array<Lane, kAnalysisChannels> lanes_;
  std::array<int64_t, kAnalysisChannels + 1> framesCarrying_{};  // by the frames' channel count
  IdleStats idle_;
  IdleTotals idleTotals_;
  // The plot summary, column-major: per column the lanes' extremes and bits.
  std::vector<float> plotMin_, plotMax_;
  std::vector<uint16_t> plotValid_, plotBits_, plotFalse_;
  int64_t plotColumn_ = 0;
  int64_t columnFrom_ = 0;    // the first position of plotColumn_
  int64_t nextColumnAt_ = 0;  // the first position of the next column
};

// Analyses frames `from` to `to` (both included) of the capture buffer,
// limited to the frames written so far, under the buffer's read lock (a
// compaction waits). A running writer's newest frames may be missed.
// As AnalyzeBuffer, for a caller that already holds ctx.ReadLock().
AnalysisResult AnalyzeLockedBuffer(const CaptureContext& ctx, int64_t from, int64_t to,
                                   const AnalysisOptions& options);
AnalysisResult AnalyzeBuffer(const CaptureContext& ctx, int64_t from, int64_t to,
                             const AnalysisOptions& options);

// The mean spacing of the time stamps of frames `from` to `to` in
// milliseconds, when they span any time. Holds no lock.
std::optional<double> StampedFramePeriod(const CaptureContext& ctx, int64_t from, int64_t to);

}  // namespace padscope
