#include "viewlogic/ScopeRepeater.h"

#include <utility>

namespace padscope {

ScopeRepeater::ScopeRepeater(std::function<void(int)> step, Timing timing)
    : step_(std::move(step)), timing_(timing) {}

ScopeRepeater::~ScopeRepeater() {
  Release();
}

void ScopeRepeater::Press(int button) {
  Release();
  if (button < 0 || button >= kButtonCount) {
    return;
  }
  {
    std::lock_guard lock(mutex_);
    held_[static_cast<size_t>(button)] = true;
  }
  worker_ = std::thread([this] { Run(); });
}

void ScopeRepeater::Release() {
  {
    std::lock_guard lock(mutex_);
    held_.fill(false);
  }
  // The pauses wait on the flags, so a release cuts them short.
  wake_.notify_all();
  if (worker_.joinable()) {
    worker_.join();
  }
}

void ScopeRepeater::Run() {
  bool first = true;
  // Fixed order; each held button repeats until its flag is cleared.
  for (int k = 0; k < kButtonCount; ++k) {
    const size_t i = static_cast<size_t>(k);
    for (;;) {
      {
        std::lock_guard lock(mutex_);
        if (!held_[i]) {
          break;
        }
      }
      step_(k);
      auto pause = k < 4 ? timing_.fast : timing_.slow;
      if (first) {
        pause += timing_.firstDelay;
        first = false;
      }
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, pause, [&] { return !held_[i]; });
    }
  }
}

}  // namespace padscope
