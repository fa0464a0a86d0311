#include "tuning/GuidedWalk.h"

#include <algorithm>

namespace padscope {

GuidedWalk::GuidedWalk(std::vector<int> channels, WalkOptions options)
    : channels_(std::move(channels)), options_(options) {
  std::erase_if(channels_, [](int c) { return c < 0 || c >= kAnalysisChannels; });
  outcomes_.assign(channels_.size() + 1, Outcome::Pending);
}

GuidedWalk::Step GuidedWalk::Current() const {
  if (Finished()) {
    return {};
  }
  if (step_ == 0) {
    return {StepKind::HandsOff, -1};
  }
  return {StepKind::Touch, channels_[static_cast<size_t>(step_ - 1)]};
}

double GuidedWalk::Progress() const {
  if (Finished()) {
    return 1.0;
  }
  const uint32_t needed = step_ == 0 ? options_.idleMs : options_.holdMs;
  return needed == 0 ? 1.0 : std::min(1.0, static_cast<double>(elapsed_) / needed);
}

void GuidedWalk::Add(const AnalysisFrame& frame, int64_t position) {
  if (Finished()) {
    return;
  }
  if (!first_) {
    first_ = position;
  }
  last_ = position;
  if (!frame.decoded) {
    return;
  }
  const uint16_t carried = frame.channels >= kAnalysisChannels
                               ? uint16_t{0xFFFF}
                               : static_cast<uint16_t>((1u << frame.channels) - 1);
  const uint16_t keys = frame.keys & carried;
  // Hands off: any key bit starts the count again. A touch step counts while
  // its key's bit stays set and starts again when it drops.
  const bool counting = step_ == 0 ? keys == 0 : ((keys >> Current().channel) & 1) != 0;
  if (!counting) {
    since_.reset();
    elapsed_ = 0;
    return;
  }
  if (!since_) {
    since_ = frame.timestamp;
  }
  elapsed_ = frame.timestamp - *since_;  // the millisecond clock wraps
  if (elapsed_ >= (step_ == 0 ? options_.idleMs : options_.holdMs)) {
    Finish(Outcome::Measured);
  }
}

void GuidedWalk::Skip() {
  if (!Finished()) {
    Finish(Outcome::Skipped);
  }
}

void GuidedWalk::Finish(Outcome outcome) {
  outcomes_[static_cast<size_t>(step_)] = outcome;
  ++step_;
  since_.reset();
  elapsed_ = 0;
}

}  // namespace padscope
