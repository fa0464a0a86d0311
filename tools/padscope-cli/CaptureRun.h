#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "CliCommands.h"

namespace padscope {

class CaptureContext;

struct LiveCaptureResult {
  bool started = false;  // false: nothing captured, `message` says why
  bool stalled = false;  // no new frame arrived for five seconds
  std::string message;   // the last message the capture engine would have shown
};

// Runs the real capture thread against the adapter into `ctx` (allocated by
// the caller) until `done` answers true, the thread ends or the stream
// stalls, then stops it. `progress` is called about five times a second.
using CaptureElapsed = std::chrono::steady_clock::duration;
LiveCaptureResult RunLiveCapture(CliContext& cli, CaptureContext& ctx,
                                 const std::function<bool(int frames, CaptureElapsed)>& done,
                                 const std::function<void(int frames, CaptureElapsed)>& progress);

}  // namespace padscope
