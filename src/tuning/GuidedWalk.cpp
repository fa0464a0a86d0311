#include "tuning/GuidedWalk.h"

#include <algorithm>
#include <cmath>

namespace padscope {

namespace {

constexpr size_t kPeriodFrames = 20;

}  // namespace

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

void GuidedWalk::Detect(const AnalysisFrame& frame) {
  if (!detector_) {
    // The first frames tell the frame period the detector counts with.
    stamps_.push_back(frame.timestamp);
    if (stamps_.size() < kPeriodFrames) {
      return;
    }
    const uint32_t span = stamps_.back() - stamps_.front();
    const double period =
        span > 0 ? static_cast<double>(span) / static_cast<double>(stamps_.size() - 1) : 10.0;
    period_ = period;
    detector_.emplace(DetectorTiming::FromMs(period, kDefaultMinTouchMs));
  }
  const uint16_t events = detector_->Step(frame.raw.data(), frame.output.data(), decoded_++);
  for (int k = 0; events != 0 && k < kAnalysisChannels; ++k) {
    if (((events >> k) & 1) == 0) {
      continue;
    }
    const auto bit = static_cast<uint16_t>(1u << k);
    const bool confirmed = detector_->event(k) == TouchDetectorBank::Event::Confirmed;
    touching_ = confirmed ? touching_ | bit : touching_ & static_cast<uint16_t>(~bit);
  }
}

bool GuidedWalk::Counting(uint16_t keys) {
  if (!detector_ || !detector_->Warm()) {
    return false;
  }
  if (step_ == 0) {
    // Hands off: no touch in any key's signal. A key the chip reports
    // touched all the while is stuck, not a reason to wait for ever.
    heldBits_ &= keys;
    return touching_ == 0;
  }
  // The asked key's touch, not a neighbour's crosstalk into it: no other
  // key in a touch stands further from its baseline.
  const int channel = Current().channel;
  if (((touching_ >> channel) & 1) == 0) {
    return false;
  }
  const float* residual = detector_->residuals().data();
  for (int k = 0; k < kAnalysisChannels; ++k) {
    if (k != channel && ((touching_ >> k) & 1) &&
        std::fabs(residual[k]) > std::fabs(residual[channel])) {
      return false;
    }
  }
  bitSeen_ = bitSeen_ || ((keys >> channel) & 1) != 0;
  return true;
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
  Detect(frame);
  const uint16_t carried = frame.channels >= kAnalysisChannels
                               ? uint16_t{0xFFFF}
                               : static_cast<uint16_t>((1u << frame.channels) - 1);
  if (!Counting(frame.keys & carried)) {
    since_.reset();
    elapsed_ = 0;
    heldBits_ = 0xFFFF;
    bitSeen_ = false;
    return;
  }
  if (!since_) {
    // A touch counts from where it began, a minimum touch before it was found.
    const int back = step_ == 0 ? 0 : detector_->timing().minTouch - 1;
    since_ = frame.timestamp - static_cast<uint32_t>(std::lround(back * period_));
    stepStart_ = std::max(*first_, position - back);
  }
  elapsed_ = frame.timestamp - *since_;  // the millisecond clock wraps
  if (elapsed_ < (step_ == 0 ? options_.idleMs : options_.holdMs)) {
    return;
  }
  if (step_ == 0) {
    stuck_ = heldBits_ & carried;
    Finish(Outcome::Measured);
    return;
  }
  asked_.push_back({*stepStart_ - *first_, position - *first_, Current().channel});
  Finish(bitSeen_ ? Outcome::Measured : Outcome::NotReported);
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
  heldBits_ = 0xFFFF;
  bitSeen_ = false;
  stepStart_.reset();
}

}  // namespace padscope
