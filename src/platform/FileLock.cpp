#include "platform/FileLock.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace padscope {

#if defined(_WIN32)

FileLock::FileLock(const std::filesystem::path& lockFile) {
  HANDLE h = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    return;
  }
  handle_ = h;
  OVERLAPPED at = {};
  held_ = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

FileLock::~FileLock() {
  if (handle_ == nullptr) {
    return;
  }
  if (held_) {
    OVERLAPPED at = {};
    UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
  }
  CloseHandle(static_cast<HANDLE>(handle_));
}

#else

FileLock::FileLock(const std::filesystem::path& lockFile) {
  fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    return;
  }
  // flock, not fcntl: its locks belong to the open file, so two threads of one
  // process exclude each other as well as two processes do.
  int rc;
  do {
    rc = ::flock(fd_, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  held_ = rc == 0;
}

FileLock::~FileLock() {
  if (fd_ >= 0) {
    ::close(fd_);  // releases the lock
  }
}

#endif

}  // namespace padscope
