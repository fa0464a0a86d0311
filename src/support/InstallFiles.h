#pragma once

// The installer's file-system calls, one place for all of them: each is
// counted, so that a test can make any one fail or let the process "die" just
// before it (nothing after that point touches the disk), and every status
// check says whether it got a clear answer.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace padscope {

// Faults a test can ask for. The first three count entries in package order;
// the others count the calls of one InstallUpdate or RecoverInterruptedInstall.
struct InstallFaults {
  int failSwap = -1;        // moving this entry in fails
  int stopAfterSwaps = -1;  // the process "dies" after this many entries moved in
  int failRestore = -1;     // putting this entry's old file back fails
  int failStatus = -1;      // this status check fails as a disk error would (EIO)
  int stopAtCall = -1;      // the process "dies" just before this file-system call
  int* calls = nullptr;     // when given, receives the number of calls made
  // Files are not flushed to disk (tests that run thousands of installs; what
  // a kill leaves behind is the same).
  bool unsynced = false;
};

// What a status check found. kUnknown: no clear answer (an I/O or permission
// error), which is never taken for any of the others.
enum class FileKind { kMissing, kFolder, kFile, kOther, kUnknown };

// One run's calls. Not shared between threads.
class InstallFiles {
 public:
  explicit InstallFiles(const InstallFaults& faults = {}) : faults_(faults) {}
  ~InstallFiles();
  InstallFiles(const InstallFiles&) = delete;
  InstallFiles& operator=(const InstallFiles&) = delete;

  // What is at `path` itself; a symbolic link is kOther whatever it points at.
  FileKind KindAt(const std::filesystem::path& path);
  // Creates one folder; false when it cannot, or something is there already.
  bool MakeFolder(const std::filesystem::path& path);
  // Moves `from` to `to`, replacing a file at `to`.
  bool Rename(const std::filesystem::path& from, const std::filesystem::path& to);
  // Removes a file or an empty folder; true when nothing is there afterwards.
  bool Remove(const std::filesystem::path& path);
  // Removes a folder and everything in it.
  bool RemoveTree(const std::filesystem::path& path);
  // Writes the file under a fresh name beside it, gives it `perms`, then
  // renames it over `path`; the temporary file goes again when a step fails.
  bool WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                 std::filesystem::perms perms);
  // At most `maxBytes` of a regular file.
  bool ReadFile(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out);
  // The names in a folder.
  bool List(const std::filesystem::path& folder, std::vector<std::string>& names);

  // A "dead" run makes no more calls: each fails at once.
  void Die() { dead_ = true; }
  bool Dead() const { return dead_; }
  const InstallFaults& faults() const { return faults_; }

 private:
  // Counts one call; false when the run is dead.
  bool Call();

  InstallFaults faults_;
  int calls_ = 0;
  int statusChecks_ = 0;
  bool dead_ = false;
};

}  // namespace padscope
