#pragma once

// The guided measurement: first "hands off the keys" for a while, then each
// key in turn touched and held, so that one stretch of frames holds idle
// frames and a touch of every key alone. The walk is fed the frames as they
// arrive and moves on by their time stamps; a step can be skipped.

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/AnalysisFrame.h"

namespace padscope {

struct WalkOptions {
  uint32_t idleMs = 3000;  // frames without any key bit the first step needs
  uint32_t holdMs = 1000;  // how long a key's bit must stay set
};

class GuidedWalk {
 public:
  enum class StepKind { HandsOff, Touch, Done };
  struct Step {
    StepKind kind = StepKind::Done;
    int channel = -1;  // the key to touch
  };
  enum class Outcome { Pending, Measured, Skipped };

  // Walks `channels` (in that order) after the hands-off step.
  GuidedWalk(std::vector<int> channels, WalkOptions options);

  // One frame of the buffer, in recording order, with its buffer position.
  // Frames that were not decoded only extend the walk's range.
  void Add(const AnalysisFrame& frame, int64_t position);
  // Ends the current step without its measurement.
  void Skip();

  Step Current() const;
  int StepIndex() const { return step_; }  // 0 hands off, 1.. the keys
  int StepCount() const { return static_cast<int>(channels_.size()) + 1; }
  // How far the current step is, 0 to 1.
  double Progress() const;
  bool Finished() const { return step_ >= StepCount(); }
  const WalkOptions& options() const { return options_; }
  // Per step (hands off first), whether it was measured or skipped.
  const std::vector<Outcome>& Outcomes() const { return outcomes_; }
  // The positions of the first and the last frame the walk was given.
  std::optional<int64_t> FirstPosition() const { return first_; }
  std::optional<int64_t> LastPosition() const { return last_; }

 private:
  void Finish(Outcome outcome);

  std::vector<int> channels_;
  WalkOptions options_;
  std::vector<Outcome> outcomes_;
  int step_ = 0;
  // Start of the current stretch: idle frames in the first step, the key held
  // in the others; empty while the stretch has not begun.
  std::optional<uint32_t> since_;
  uint32_t elapsed_ = 0;
  std::optional<int64_t> first_;
  std::optional<int64_t> last_;
};

}  // namespace padscope
