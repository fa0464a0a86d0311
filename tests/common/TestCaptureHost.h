#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "capture/CaptureHost.h"

namespace padscope::test {

// Records what the capture engine tells its window.
class TestCaptureHost : public CaptureHost {
 public:
  void ReportValueWidth(int width) override {
    std::lock_guard lock(mutex_);
    widths_.push_back(width);
  }
  void HideAutoBalanceButton() override {
    std::lock_guard lock(mutex_);
    ++hides_;
  }
  void ShowMessage(const std::string& text) override {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
  }
  void PumpEvents() override { ++pumps_; }

  std::vector<int> Widths() const {
    std::lock_guard lock(mutex_);
    return widths_;
  }
  std::vector<std::string> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  int Hides() const {
    std::lock_guard lock(mutex_);
    return hides_;
  }
  int Pumps() const { return pumps_; }

 private:
  mutable std::mutex mutex_;
  std::vector<int> widths_;
  std::vector<std::string> messages_;
  int hides_ = 0;
  std::atomic<int> pumps_{0};
};

}  // namespace padscope::test
