#include "platform/FileLock.h"

#include <thread>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/OwnFile.h"
#endif

namespace padscope {

namespace {

// How often a busy lock is tried again while the caller's patience lasts.
constexpr std::chrono::milliseconds kRetryStep{2};

}  // namespace

#if defined(_WIN32)

FileLock::FileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds patience) {
  HANDLE h =
      CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    return;
  }
  handle_ = h;
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    OVERLAPPED at = {};
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      state_ = State::kHeld;
      return;
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION) {
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      state_ = State::kBusy;
      return;
    }
    std::this_thread::sleep_for(kRetryStep);
  }
}

FileLock::~FileLock() {
  if (handle_ == nullptr) {
    return;
  }
  if (state_ == State::kHeld) {
    OVERLAPPED at = {};
    UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
  }
  CloseHandle(static_cast<HANDLE>(handle_));
}

#else

FileLock::FileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds patience) {
  fd_ = OpenOwnFile(lockFile, O_RDWR | O_CREAT, 0600);
  if (fd_ < 0) {
    return;
  }
  // flock, not fcntl: its locks belong to the open file, so two threads of one
  // process exclude each other as well as two processes do.
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      state_ = State::kHeld;
      return;
    }
    if (errno == EINTR) {
      continue;
    }
    if (errno != EWOULDBLOCK) {
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      state_ = State::kBusy;
      return;
    }
    std::this_thread::sleep_for(kRetryStep);
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) {
    ::close(fd_);  // releases the lock
  }
}

#endif

}  // namespace padscope
