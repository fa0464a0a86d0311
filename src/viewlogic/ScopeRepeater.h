#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace padscope {

// Pauses of the repeat worker; tests shorten them.
struct ScopeRepeatTiming {
  std::chrono::milliseconds fast{20};         // after a step of buttons 0..3
  std::chrono::milliseconds slow{100};        // after a step of buttons 4..7
  std::chrono::milliseconds firstDelay{200};  // once, after the first step
};

// Repeats the operation of a held on-screen button of the waveform view from
// a worker thread: buttons 0..3 every 20 ms, 4..7 every 100 ms, with an extra
// 200 ms pause after the very first step. The held flags are its own, so no
// operation that the steps run can keep it going after Release().
class ScopeRepeater {
 public:
  static constexpr int kButtonCount = 8;
  using Timing = ScopeRepeatTiming;

  // step(button) runs on the worker thread; it must not touch widgets.
  explicit ScopeRepeater(std::function<void(int)> step, Timing timing = {});
  ~ScopeRepeater();
  ScopeRepeater(const ScopeRepeater&) = delete;
  ScopeRepeater& operator=(const ScopeRepeater&) = delete;

  // Holds `button` and starts a worker, ending any previous one first.
  // Out-of-range buttons start nothing.
  void Press(int button);
  // Clears every held flag and returns once the worker has ended: no step
  // starts after this returns. Safe to call when nothing is held.
  void Release();
  bool Running() const { return worker_.joinable(); }

 private:
  void Run();

  std::function<void(int)> step_;
  Timing timing_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::array<bool, kButtonCount> held_{};
  std::thread worker_;
};

}  // namespace padscope
