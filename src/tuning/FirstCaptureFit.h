#pragma once

// The first screen of a fresh start: with no settings file, the default
// ranges squeeze the traces into a thin band, so both views are fitted once
// to the first second of the first capture. Later ranges are the user's and
// are saved and restored as usual.

#include <cstdint>

#include "tuning/FitToData.h"

namespace padscope {

class CaptureContext;
struct GlobalSettings;

class FirstCaptureFit {
 public:
  enum class State { Waiting, Fitted, Dropped };

  // Armed with the ranges as they are at start-up: a range the user changes
  // before the first second has arrived is left as the user set it.
  explicit FirstCaptureFit(const GlobalSettings& settings);

  // Fits both views to the first second of what the buffer holds once a
  // second has arrived (or the capture or replay has ended with less), and
  // says Fitted that one time. Dropped when the user moved a range first;
  // Waiting otherwise. Once it has said Fitted or Dropped it does nothing.
  State Poll(const CaptureContext& ctx, GlobalSettings& settings, const FitViews& views);

 private:
  struct Ranges {
    int32_t rangeMin, rangeMax, keyRangeMax, zoom;
    bool operator==(const Ranges&) const = default;
  };
  static Ranges Of(const GlobalSettings& settings);

  Ranges start_;
  State state_ = State::Waiting;
};

}  // namespace padscope
