#pragma once

// A flash page stand-in for tests: records what the operations show and
// saves a load as a chart when given a path.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/CaptureContext.h"
#include "files/ChartFile.h"
#include "flash/FlashHost.h"

namespace padscope::test {

class RecordingFlashHost : public FlashHost {
 public:
  explicit RecordingFlashHost(CaptureContext& ctx) : ctx_(ctx) {}

  void SetStatus(const std::string& text) override {
    std::lock_guard lock(mutex_);
    statuses.push_back(text);
  }
  void AppendLog(const std::string& line) override {
    std::lock_guard lock(mutex_);
    logLines.push_back(line);
  }
  void ShowProgress(bool shown) override {
    std::lock_guard lock(mutex_);
    progressShown = shown;
  }
  void SetProgressRange(int maximum) override {
    std::lock_guard lock(mutex_);
    progressRanges.push_back(maximum);
  }
  void SetProgress(int position) override {
    std::lock_guard lock(mutex_);
    progress = position;
  }
  void EnableButtons(bool enabled) override {
    std::lock_guard lock(mutex_);
    buttonStates.push_back(enabled);
  }
  void DispatchEvents() override {
    ++dispatches;
    if (onDispatch) {
      onDispatch();
    }
  }
  std::optional<std::string> SaveLoadedChart() override {
    if (chartPath.empty() || !WriteChart(chartPath, ctx_)) {
      return std::nullopt;
    }
    return chartPath.filename().string();
  }

  std::string LastStatus() const {
    std::lock_guard lock(mutex_);
    return statuses.empty() ? std::string() : statuses.back();
  }
  bool SawStatus(const std::string& text) const {
    std::lock_guard lock(mutex_);
    for (const std::string& s : statuses) {
      if (s == text) {
        return true;
      }
    }
    return false;
  }

  std::filesystem::path chartPath;  // empty: the save is cancelled
  std::function<void()> onDispatch;
  std::vector<std::string> statuses;
  std::vector<std::string> logLines;
  std::vector<int> progressRanges;
  std::vector<bool> buttonStates;
  bool progressShown = false;
  int progress = -1;
  int dispatches = 0;

 private:
  CaptureContext& ctx_;
  mutable std::mutex mutex_;
};

// A clock that moves only when slept on, so an 80-second erase takes no time.
class SteppingClock : public FlashClock {
 public:
  uint32_t NowMs() override { return now; }
  void SleepMs(int ms) override {
    now += static_cast<uint32_t>(ms);
    ++sleeps;
    if (onSleep) {
      onSleep();
    }
  }
  uint32_t now = 0xFFFFF000u;  // close to the wrap, as the millisecond clock may be
  int sleeps = 0;
  std::function<void()> onSleep;
};

// Real time run 50 times faster, for an erase that the simulated adapter runs
// in real time: a 20-second estimate passes in 0.2 s.
class FastClock : public FlashClock {
 public:
  static constexpr int kSpeed = 100;
  uint32_t NowMs() override {
    const auto real = std::chrono::steady_clock::now() - start_;
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(real).count() * kSpeed);
  }
  void SleepMs(int ms) override {
    ++sleeps;
    std::this_thread::sleep_for(std::chrono::microseconds(ms * 1000 / kSpeed));
  }
  std::atomic<int> sleeps{0};

 private:
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace padscope::test
