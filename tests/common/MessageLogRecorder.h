#pragma once

// Collects the message log's lines while it lives (any thread may add them)
// and removes its sink when it goes.
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageLog.h"

namespace padscope::test {

class MessageLogRecorder {
 public:
  MessageLogRecorder() {
    SetMessageLogSink([this](const std::string& line) {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
    });
  }
  ~MessageLogRecorder() { SetMessageLogSink({}); }
  MessageLogRecorder(const MessageLogRecorder&) = delete;
  MessageLogRecorder& operator=(const MessageLogRecorder&) = delete;

  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // The lines so far, which are then forgotten.
  std::vector<std::string> Take() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    out.swap(lines_);
    return out;
  }
  bool Contains(const std::string& line) const {
    std::lock_guard lock(mutex_);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace padscope::test
