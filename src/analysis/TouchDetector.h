#pragma once

// Touches found in the signal, for 16 channels at once. Per channel a
// baseline follows the idle raw count (an exponential average over about a
// second, paused while the value stands away from it), and a noise scale
// follows the mean distance of the idle values from it. A run starts where
// the value stands kEnterNoise noise scales beyond the baseline, either way,
// and ends where it falls back within kExitNoise (hysteresis); it is a touch
// once it has lasted the minimum touch. A run against the key's touch
// direction, or one that outlasts kMaxTouchMs, is a new idle level: the
// baseline jumps to it (a chip restart, the release of a touch held from
// before the recording). A key's touch direction is learnt from the chip's
// output, which rises with a touch whichever way the raw count goes, or else
// from the first touch that returns.
//
// The state is kept per lane in arrays so that the common step, every
// channel within its noise, is a few vector operations.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/AnalysisFrame.h"

namespace padscope {

inline constexpr float kEnterNoise = 6.0f;
inline constexpr float kExitNoise = 3.0f;
inline constexpr float kMinEnterCounts = 3.0f;  // on a key without noise

struct DetectorTiming {
  int minTouch = 3;    // frames
  int maxTouch = 500;  // frames
  int minShift = 200;  // frames a run of a key with short touches needs to be a new level
  int warmup = 10;     // frames that only learn the baseline and the noise
  float baselineAlpha = 0.02f;
  float noiseAlpha = 0.01f;

  static DetectorTiming FromMs(double frameMs, double minTouchMs);
};

class TouchDetectorBank {
 public:
  enum class Event : uint8_t {
    None,
    Confirmed,    // a run became a touch; it began at start()
    Ended,        // a touch ended at end()
    Spike,        // a run shorter than a touch ended at end()
    LevelChange,  // the value moved to a new idle level; a touch begun at start() is void
  };

  explicit TouchDetectorBank(const DetectorTiming& timing);

  // One decoded frame, index `n` counting decoded frames. Returns the lanes
  // with an event on this frame (bit k); event(k), start(k), end(k) tell it.
  uint16_t Step(const int32_t* raw, const int32_t* output, int64_t n);
  // Ends the runs in progress as if the values had returned: a run long
  // enough is a touch ending at the last frame. Returns the lanes that ended one.
  uint16_t Close(int64_t lastFrame);

  Event event(int k) const { return events_[static_cast<std::size_t>(k)]; }
  int64_t start(int k) const { return runStart_[static_cast<std::size_t>(k)]; }
  int64_t end(int k) const { return runEnd_[static_cast<std::size_t>(k)]; }
  int direction(int k) const { return runDir_[static_cast<std::size_t>(k)]; }
  // Raw count less the baseline at the last step, and the output values as
  // numbers, per lane.
  const std::array<float, kAnalysisChannels>& residuals() const { return residual_; }
  const std::array<float, kAnalysisChannels>& outputs() const { return out_; }
  // The baseline as a raw count.
  double Baseline(int k) const;
  // Lanes in a run (a touch or not yet one) at the last step.
  uint16_t inRun() const { return inRun_; }
  bool Warm() const { return seen_ > timing_.warmup; }
  // +1, -1, or 0 while not known.
  int polarity(int k) const;
  // The baseline with the restart steps taken out (for the drift).
  double DriftBaseline(int k) const;
  int64_t restarts(int k) const { return restarts_[static_cast<std::size_t>(k)]; }
  // Frames the lane spent in runs (its baseline held).
  int64_t runFrames(int k) const { return runFrames_[static_cast<std::size_t>(k)]; }
  int64_t spikes(int k) const { return spikes_[static_cast<std::size_t>(k)]; }
  const DetectorTiming& timing() const { return timing_; }
  // False while every value of the lane has been its first one.
  bool Moved(int k) const { return ((moved_ >> k) & 1) != 0; }

 private:
  using Lanes = std::array<float, kAnalysisChannels>;
  void Learn(int k, float d, float out);
  // Learns from every lane not in a run, all lanes quiet.
  void LearnQuiet(bool masked);
  void SetRunning(int k, bool running);
  // Ends key k's run: a touch (Ended) when it was confirmed, else a spike.
  // True for a touch.
  bool EndRun(int k);
  // The levels from the first frames: medians, which a touch among them does
  // not move as it would a mean.
  void SettleWarmup();
  void LaneStep(int k, float d, float out, int64_t n);
  void StartRun(int k, float d, float out, int64_t n);
  void NewLevel(int k, float d);

  DetectorTiming timing_;
  int64_t seen_ = 0;
  std::array<int32_t, kAnalysisChannels> origin_{};
  Lanes base_{};  // about origin_
  Lanes noise_{};
  Lanes outIdle_{};
  Lanes outNoise_{};
  Lanes residual_{};
  Lanes out_{};
  Lanes savedNoise_{};
  Lanes shifts_{};  // sum of the restart steps
  Lanes free_{};    // 1 for a lane not in a run, else 0 (the vector steps' mask)
  std::vector<std::array<float, 2 * kAnalysisChannels>> warmup_;  // raw and output, warm-up only
  std::array<double, kAnalysisChannels> runOut_{};
  std::array<int64_t, kAnalysisChannels> runStart_{};
  std::array<int64_t, kAnalysisChannels> runEnd_{};
  std::array<int32_t, kAnalysisChannels> runLength_{};
  std::array<int8_t, kAnalysisChannels> runDir_{};
  std::array<bool, kAnalysisChannels> confirmed_{};
  std::array<int32_t, kAnalysisChannels> polarityScore_{};
  std::array<int64_t, kAnalysisChannels> restarts_{};
  std::array<int64_t, kAnalysisChannels> spikes_{};
  std::array<int64_t, kAnalysisChannels> runFrames_{};
  std::array<int32_t, kAnalysisChannels> longestTouch_{};
  std::array<Event, kAnalysisChannels> events_{};
  uint16_t inRun_ = 0;
  uint16_t running_ = 0;  // lanes whose runDir_ is not 0
  uint16_t moved_ = 0;    // lanes with a value other than their first
};

}  // namespace padscope
