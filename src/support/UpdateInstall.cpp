#include "support/UpdateInstall.h"

#include <random>
#include <set>
#include <sstream>
#include <system_error>

#include "platform/FileBytes.h"

namespace padscope {

namespace {

namespace fs = std::filesystem;

const std::string kJournalName = std::string(kReservedUpdateName) + "-journal";
const std::string kStagingPrefix = std::string(kReservedUpdateName) + "-staging-";
const std::string kBackupPrefix = std::string(kReservedUpdateName) + "-backup-";
constexpr char kJournalHead[] = "padscope-update-journal 1";
constexpr size_t kMaxJournalBytes = 64 << 20;

enum class Kind { kMissing, kFolder, kFile, kOther };

// What is at `path` itself; a symbolic link is kOther whatever it points at.
Kind KindAt(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (status.type() == fs::file_type::not_found) {
    return Kind::kMissing;
  }
  if (ec) {
    return Kind::kOther;
  }
  if (fs::is_directory(status)) {
    return Kind::kFolder;
  }
  return fs::is_regular_file(status) ? Kind::kFile : Kind::kOther;
}

// Makes every folder of `relative` below `root` exist as a real folder, never
// passing through a link or a file.
bool EnsureFolders(const fs::path& root, const fs::path& relative) {
  fs::path at = root;
  for (const fs::path& part : relative) {
    at /= part;
    Kind kind = KindAt(at);
    if (kind == Kind::kMissing) {
      std::error_code ec;
      fs::create_directory(at, ec);
      kind = KindAt(at);
    }
    if (kind != Kind::kFolder) {
      return false;
    }
  }
  return true;
}

fs::path UniqueFolder(const fs::path& parent, const std::string& stem) {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = parent / (stem + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec) && !ec) {
      return candidate;
    }
  }
  return {};
}

// The install's record, kept in the installation while files move.
struct Journal {
  bool undo = false;
  std::string staging, backup;       // folder names inside the installation
  std::vector<std::string> folders;  // created for the package, parents first
  struct Item {
    bool existed = false;  // a previous file is replaced (else the file is new)
    std::string path;
  };
  std::vector<Item> items;
};

std::string JournalText(const Journal& j) {
  std::string text = std::string(kJournalHead) + "\n";
  text += j.undo ? "undo\n" : "install\n";
  text += "staging " + j.staging + "\nbackup " + j.backup + "\n";
  for (const std::string& f : j.folders) {
    text += "folder " + f + "\n";
  }
  for (const Journal::Item& item : j.items) {
    text += (item.existed ? "replace " : "new ") + item.path + "\n";
  }
  return text;
}

bool IsOwnFolderName(const std::string& name, const std::string& prefix) {
  return name.size() > prefix.size() && name.rfind(prefix, 0) == 0 &&
         name.find('/') == std::string::npos && name.find("..") == std::string::npos;
}

bool ParseJournal(const std::string& text, Journal& j) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kJournalHead || !std::getline(in, line) ||
      (line != "install" && line != "undo")) {
    return false;
  }
  j.undo = line == "undo";
  while (std::getline(in, line)) {
    const size_t space = line.find(' ');
    const std::string word = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (word == "staging" && IsOwnFolderName(rest, kStagingPrefix)) {
      j.staging = rest;
    } else if (word == "backup" && IsOwnFolderName(rest, kBackupPrefix)) {
      j.backup = rest;
    } else if (word == "folder" && IsSafePackagePath(rest)) {
      j.folders.push_back(rest);
    } else if ((word == "replace" || word == "new") && IsSafePackagePath(rest)) {
      j.items.push_back({word == "replace", rest});
    } else {
      return false;
    }
  }
  return !j.staging.empty() && !j.backup.empty();
}

bool WriteJournal(const fs::path& target, const Journal& j) {
  const std::string text = JournalText(j);
  return ReplaceFileBytes(target / kJournalName,
                          std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// Checks every entry before anything is written and fills the journal's
// entries and the folders the install will create.
bool Preflight(const std::vector<PackageEntry>& entries, const fs::path& target, Journal& j,
               std::string& error) {
  std::set<std::string> plannedFolders;
  for (const PackageEntry& e : entries) {
    if (!IsSafePackagePath(e.path)) {
      error = "unsafe path in package: " + e.path;
      return false;
    }
    const fs::path relative(e.path);
    fs::path at = target;
    fs::path folder;
    bool missing = false;
    for (const fs::path& part : relative.parent_path()) {
      at /= part;
      folder /= part;
      if (!missing) {
        const Kind kind = KindAt(at);
        if (kind != Kind::kFolder && kind != Kind::kMissing) {
          error = e.path + " would be written through " + folder.generic_string() +
                  ", which is not a real folder of the installation";
          return false;
        }
        missing = kind == Kind::kMissing;
      }
      if (missing && plannedFolders.insert(folder.generic_string()).second) {
        j.folders.push_back(folder.generic_string());
      }
    }
    const Kind kind = missing ? Kind::kMissing : KindAt(target / relative);
    if (kind == Kind::kFolder || kind == Kind::kOther) {
      error = e.path + (kind == Kind::kFolder ? " is a folder in the installation"
                                              : " is not a regular file in the installation");
      return false;
    }
    j.items.push_back({kind == Kind::kFile, e.path});
  }
  return true;
}

bool StageFiles(const std::vector<PackageEntry>& entries, const fs::path& staging,
                const std::function<void(const std::string&)>& say, std::string& error) {
  for (const PackageEntry& e : entries) {
    say("staging " + e.path);
    const fs::path relative(e.path);
    const fs::path staged = staging / relative;
    std::error_code ec;
    if (!EnsureFolders(staging, relative.parent_path()) || !ReplaceFileBytes(staged, e.contents)) {
      error = "cannot write " + staged.string();
      return false;
    }
    using fs::perms;
    const perms mode = perms::owner_read | perms::owner_write | perms::group_read |
                       perms::others_read |
                       ((e.flags & kPackageExecutable) != 0
                            ? perms::owner_exec | perms::group_exec | perms::others_exec
                            : perms::none);
    fs::permissions(staged, mode, ec);
    if (ec) {
      error = "cannot set the permissions of " + staged.string();
      return false;
    }
  }
  return true;
}

enum class Step { kDone, kFailed, kStopped };

// Moves every staged file in, the file it replaces out to the backup first.
// Entries whose staged file is gone were moved in before, so a recovery picks
// up where a dead process stopped.
Step MoveIn(const fs::path& target, const Journal& j, const InstallFaults& faults,
            const std::function<void(const std::string&)>& say, std::string& error) {
  const fs::path staging = target / j.staging;
  const fs::path backup = target / j.backup;
  int moved = 0;
  for (size_t i = 0; i < j.items.size(); ++i) {
    const Journal::Item& item = j.items[i];
    const fs::path relative(item.path);
    const fs::path staged = staging / relative;
    if (KindAt(staged) != Kind::kFile) {
      continue;
    }
    if (moved++ == faults.stopAfterSwaps) {
      return Step::kStopped;
    }
    say("installing " + item.path);
    const fs::path installed = target / relative;
    error = "cannot replace " + installed.string();
    if (!EnsureFolders(target, relative.parent_path())) {
      return Step::kFailed;
    }
    const Kind kind = KindAt(installed);
    std::error_code ec;
    if (kind == Kind::kFile && item.existed) {
      if (!EnsureFolders(backup, relative.parent_path())) {
        return Step::kFailed;
      }
      fs::rename(installed, backup / relative, ec);
    } else if (kind != Kind::kMissing) {
      return Step::kFailed;  // something appeared where the check saw nothing
    }
    if (ec || static_cast<int>(i) == faults.failSwap) {
      return Step::kFailed;
    }
    fs::rename(staged, installed, ec);
    if (ec) {
      return Step::kFailed;
    }
  }
  error.clear();
  return Step::kDone;
}

// Puts every saved file back and removes the files and folders the install
// added. Stops at the first file that cannot be put back.
bool PutBack(const fs::path& target, const Journal& j, const InstallFaults& faults,
             std::string& error) {
  const fs::path staging = target / j.staging;
  const fs::path backup = target / j.backup;
  for (size_t n = j.items.size(); n-- > 0;) {
    const Journal::Item& item = j.items[n];
    const fs::path relative(item.path);
    const fs::path installed = target / relative;
    std::error_code ec;
    if (KindAt(backup / relative) == Kind::kFile) {
      if (static_cast<int>(n) != faults.failRestore) {
        fs::rename(backup / relative, installed, ec);
      }
      if (ec || static_cast<int>(n) == faults.failRestore) {
        error = "cannot put " + installed.string() + " back; the previous files are kept in " +
                backup.string();
        return false;
      }
    } else if (!item.existed && KindAt(staging / relative) == Kind::kMissing &&
               KindAt(installed) == Kind::kFile) {
      fs::remove(installed, ec);
    }
  }
  for (size_t n = j.folders.size(); n-- > 0;) {
    std::error_code ignored;
    fs::remove(target / j.folders[n], ignored);  // only when empty again
  }
  return true;
}

// The journal goes first: from then on the install counts as done (or undone)
// and the folders are only leftovers.
void Finish(const fs::path& target, const Journal& j) {
  std::error_code ignored;
  fs::remove(target / kJournalName, ignored);
  fs::remove_all(target / j.staging, ignored);
  fs::remove_all(target / j.backup, ignored);
}

// After a failed move: record the turn, then undo.
bool Undo(const fs::path& target, Journal& j, const InstallFaults& faults, std::string& error) {
  j.undo = true;
  if (!WriteJournal(target, j)) {
    // The journal still says "install": a later recovery would finish it, which
    // is as good an end as undoing.
    error += "; the install journal cannot be updated";
  }
  std::string reason;
  if (!PutBack(target, j, faults, reason)) {
    error += "; " + reason;
    return false;
  }
  Finish(target, j);
  return true;
}

void ClearLeftovers(const fs::path& target) {
  std::error_code ec;
  for (auto it = fs::directory_iterator(target, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if ((IsOwnFolderName(name, kStagingPrefix) || IsOwnFolderName(name, kBackupPrefix)) &&
        KindAt(it->path()) == Kind::kFolder) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
  }
}

}  // namespace

bool InstallUpdate(const std::vector<PackageEntry>& entries, const fs::path& target,
                   std::string& error, const std::function<void(const std::string&)>& progress,
                   const InstallFaults& faults) {
  const auto say = [&](const std::string& text) {
    if (progress) {
      progress(text);
    }
  };
  if (KindAt(target) != Kind::kFolder) {
    error = target.string() + " is not a folder";
    return false;
  }
  if (KindAt(target / kJournalName) != Kind::kMissing) {
    error = "an earlier update of " + target.string() + " is unfinished";
    return false;
  }
  Journal j;
  if (!Preflight(entries, target, j, error)) {
    return false;
  }
  // Staging and backup live in the target folder so that every move is a
  // rename on one file system.
  const fs::path staging = UniqueFolder(target, kStagingPrefix);
  const fs::path backup = staging.empty() ? fs::path() : UniqueFolder(target, kBackupPrefix);
  if (staging.empty() || backup.empty()) {
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    error = "cannot create a staging folder in " + target.string();
    return false;
  }
  j.staging = staging.filename().string();
  j.backup = backup.filename().string();
  if (!StageFiles(entries, staging, say, error) || !WriteJournal(target, j)) {
    if (error.empty()) {
      error = "cannot write the install journal in " + target.string();
    }
    std::error_code ignored;
    fs::remove(target / kJournalName, ignored);
    fs::remove_all(staging, ignored);
    fs::remove_all(backup, ignored);
    return false;
  }

  switch (MoveIn(target, j, faults, say, error)) {
    case Step::kDone:
      Finish(target, j);
      say("installed " + std::to_string(entries.size()) + " files");
      return true;
    case Step::kStopped:
      error = "stopped half-way";
      return false;
    case Step::kFailed:
      break;
  }
  if (Undo(target, j, faults, error)) {
    error += "; the previous files are back";
  }
  return false;
}

RecoveryResult RecoverInterruptedInstall(const fs::path& target, std::string& error) {
  const fs::path journalFile = target / kJournalName;
  const Kind kind = KindAt(journalFile);
  if (kind == Kind::kMissing) {
    ClearLeftovers(target);
    return RecoveryResult::kNothingToDo;
  }
  std::vector<uint8_t> bytes;
  Journal j;
  if (kind != Kind::kFile || !ReadFileBytes(journalFile, kMaxJournalBytes, bytes) ||
      !ParseJournal(std::string(bytes.begin(), bytes.end()), j)) {
    error = "the update journal " + journalFile.string() + " cannot be read";
    return RecoveryResult::kFailed;
  }
  if (!j.undo) {
    if (MoveIn(
            target, j, {}, [](const std::string&) {}, error) == Step::kDone) {
      Finish(target, j);
      return RecoveryResult::kFinished;
    }
  }
  return Undo(target, j, {}, error) ? RecoveryResult::kUndone : RecoveryResult::kFailed;
}

}  // namespace padscope
