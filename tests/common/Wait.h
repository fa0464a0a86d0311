#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace padscope::test {

// Waits until cond() holds or the deadline passes; returns cond()'s last value.
inline bool WaitFor(const std::function<bool()>& cond,
                    std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!cond()) {
    if (std::chrono::steady_clock::now() > end) {
      return cond();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace padscope::test
