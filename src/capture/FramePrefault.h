#pragma once

#include <atomic>
#include <thread>

namespace padscope {

class CaptureContext;
struct SampleFrame;

// While it lives, a second thread makes the next `frames` slots from
// writeIndex on resident, working back from the last one, until it meets
// the writer coming from the front. A writer that fills many fresh slots at
// once (a chart load) thus shares with a second core the system's cost of
// handing out fresh memory, which on some machines exceeds the whole
// decoding. The pages are only made present, never written, so the two
// threads never race on a frame. Linux; elsewhere it does nothing. The
// buffer must not be reallocated while it lives. When no thread can be
// started the writer goes on alone: nothing is thrown.
class FramePrefault {
 public:
  FramePrefault(const CaptureContext& ctx, int frames);
  ~FramePrefault();
  FramePrefault(const FramePrefault&) = delete;
  FramePrefault& operator=(const FramePrefault&) = delete;

  // On by default; the benchmark turns it off to measure what it saves.
  static void SetEnabled(bool on);
  // Tests: the thread cannot be started, as when the system has no threads left.
  static void SetThreadStartFailsForTest(bool fails);

 private:
  // The thread's work: slots below `to` made present, from the top down.
  void Run(const CaptureContext& ctx, const SampleFrame* base, int to);

  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace padscope
