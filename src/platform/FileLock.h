#pragma once

// An exclusive lock shared by every process of the user, held on a lock file.

#include <chrono>
#include <filesystem>

namespace padscope {

// Takes the exclusive lock on a lock file, trying for at most `patience` (zero:
// once), and holds it until destroyed. The file is created 0600 when missing
// and left in place (removing it would let two holders lock different files).
// A symbolic link, anything but a regular file, or another user's file under
// the name is never used. The operating system drops the lock when its holder
// ends, so the lock of a process that died is free again. One object per
// thread; it cannot be copied or moved.
class FileLock {
 public:
  enum class State {
    kHeld,         // this object holds the lock
    kBusy,         // someone else held it for all of `patience`
    kUnavailable,  // the file cannot be created, opened or locked
  };

  FileLock(const std::filesystem::path& lockFile, std::chrono::milliseconds patience);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  State state() const { return state_; }
  bool Held() const { return state_ == State::kHeld; }

 private:
#if defined(_WIN32)
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  State state_ = State::kUnavailable;
};

}  // namespace padscope
