#include "platform/MessageLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace padscope {

namespace {

constexpr int kMaxLine = 800;

std::mutex& SinkMutex() {
  static std::mutex m;
  return m;
}

MessageLogSink& Sink() {
  static MessageLogSink sink;
  return sink;
}

}  // namespace

void SetMessageLogSink(MessageLogSink sink) {
  std::lock_guard lock(SinkMutex());
  Sink() = std::move(sink);
}

void AddMessageLog(const char* format, ...) {
  MessageLogSink sink;
  {
    std::lock_guard lock(SinkMutex());
    sink = Sink();
  }
  if (!sink) {
    return;
  }
  char line[kMaxLine + 1];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  sink(std::string(line));
}

}  // namespace padscope
