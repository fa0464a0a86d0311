#pragma once

// An exclusive lock shared by every process on the machine, held on a lock file.

#include <filesystem>

namespace padscope {

// Creates the lock file when missing and waits, without time-out, until this
// object holds the exclusive lock on it; the destructor releases it. The lock file
// is left in place (removing it would let two writers lock different files).
// Held() is false when the file could not be created or locked; the caller then
// goes on unserialised. One object per thread; it cannot be copied or moved.
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& lockFile);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return held_; }

 private:
#if defined(_WIN32)
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  bool held_ = false;
};

}  // namespace padscope
