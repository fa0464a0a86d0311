#include "capture/WriteLog.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/FileLock.h"
#include "platform/LockDirectory.h"
#include "platform/OwnFile.h"
#include "platform/ProgramFolders.h"
#include "platform/Tick.h"

namespace padscope {

namespace {

std::string FormatArgs(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) {
    return std::string();
  }
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(n));
  return text;
}

// How long a writer waits for another process's writer before it writes its
// line anyway: a lock held by a hung or stopped process must not hang the
// window. Lines are single appends, so an unserialised one still lands whole.
constexpr std::chrono::milliseconds kLockPatience{100};

}  // namespace

std::string FormatLogLine(const std::tm& local, int milliseconds, const std::string& tag,
                          const std::string& text) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "[%02d-%02d %02d:%02d:%02d:%03d]", local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, milliseconds);
  std::string line = stamp;
  if (!tag.empty()) {
    line += "  [" + tag + "]";
  }
  line += text;
  line += '\n';
  return line;
}

void WriteLog(const std::string& tag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FormatArgs(format, args);
  va_end(args);

  // The in-process mutex keeps this process's threads off the lock file while
  // one of them holds it; the lock file serialises the processes.
  static std::mutex writers;
  std::lock_guard lock(writers);
  // Looked up on every call rather than kept from the first: the state folder
  // can be redirected (PADSCOPE_HOME) while the process runs.
  const std::filesystem::path dir = StateDirectory();
  const FileLock fileLock(LockDirectory() / kLogLockName, kLockPatience);

  // Stamped under the lock so that the file's lines stay in time order.
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  const std::string line =
      FormatLogLine(LocalTime(std::chrono::system_clock::to_time_t(now)),
                    static_cast<int>(((ms.count() % 1000) + 1000) % 1000), tag, text);

  // Text mode, as the log is a text file: on Windows "\n" is written as CR LF.
  std::FILE* file = OpenOwnFileForAppend(dir / "log.log", true);
  if (file == nullptr) {
    return;
  }
  std::fwrite(line.data(), 1, line.size(), file);
  std::fclose(file);
}

}  // namespace padscope
