#pragma once

// The guided measurement: first "hands off the keys" for a while, then each
// key in turn touched and held, so that one stretch of frames holds idle
// frames and a touch of every key alone. The walk is fed the frames as they
// arrive and moves on by their time stamps; a step can be skipped. Touches
// are those the signal shows (analysis/TouchDetector.h), whatever the chip's
// bits say: a key whose threshold is above its touches is measured all the
// same, and one the chip reports touched with the hands off is named stuck.

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/AnalysisFrame.h"
#include "analysis/AnalysisOptions.h"
#include "analysis/TouchDetector.h"

namespace padscope {

struct WalkOptions {
  uint32_t idleMs = 3000;  // frames without a touch the first step needs
  uint32_t holdMs = 1000;  // how long a key's touch must last
};

class GuidedWalk {
 public:
  enum class StepKind { HandsOff, Touch, Done };
  struct Step {
    StepKind kind = StepKind::Done;
    int channel = -1;  // the key to touch
  };
  // NotReported: measured from the signal, but the chip's key bit did not follow.
  enum class Outcome { Pending, Measured, NotReported, Skipped };

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
  // Keys whose bit stayed set through the hands-off step (bit k: channel k).
  uint16_t StuckKeys() const { return stuck_; }
  // The touch steps' stretches, positions from the walk's first frame.
  const std::vector<AskedTouch>& Asked() const { return asked_; }

 private:
  void Finish(Outcome outcome);
  void Detect(const AnalysisFrame& frame);
  bool Counting(uint16_t keys);

  std::vector<int> channels_;
  WalkOptions options_;
  std::vector<Outcome> outcomes_;
  int step_ = 0;
  // Start of the current stretch: no touch in the first step, the key held
  // in the others; empty while the stretch has not begun.
  std::optional<uint32_t> since_;
  uint32_t elapsed_ = 0;
  std::optional<int64_t> first_;
  std::optional<int64_t> last_;
  // The signal's touches: a detector set up once the stamps tell the period.
  std::optional<TouchDetectorBank> detector_;
  std::vector<uint32_t> stamps_;
  double period_ = 10;  // ms between frames, from the stamps
  int64_t decoded_ = 0;
  uint16_t touching_ = 0;       // keys in a touch the signal shows
  uint16_t heldBits_ = 0xFFFF;  // keys whose bit has stayed set this stretch
  bool bitSeen_ = false;        // the asked key's bit was set this stretch
  uint16_t stuck_ = 0;
  std::optional<int64_t> stepStart_;
  std::vector<AskedTouch> asked_;
};

}  // namespace padscope
