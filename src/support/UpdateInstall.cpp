#include "support/UpdateInstall.h"

#include <random>
#include <set>

#include "support/UpdateJournal.h"

namespace padscope {

namespace {

namespace fs = std::filesystem;
using Kind = FileKind;
using Say = std::function<void(const std::string&)>;

constexpr size_t kMaxJournalBytes = 64 << 20;
constexpr fs::perms kPlainFile =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms kExecutable =
    kPlainFile | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;

// Makes every folder of `relative` below `root` exist as a real folder, never
// passing through a link or a file.
bool EnsureFolders(InstallFiles& files, const fs::path& root, const fs::path& relative) {
  fs::path at = root;
  for (const fs::path& part : relative) {
    at /= part;
    Kind kind = files.KindAt(at);
    if (kind == Kind::kMissing) {
      files.MakeFolder(at);
      kind = files.KindAt(at);
    }
    if (kind != Kind::kFolder) {
      return false;
    }
  }
  return true;
}

fs::path UniqueFolder(InstallFiles& files, const fs::path& parent, const std::string& stem) {
  std::random_device rd;
  for (int attempt = 0; attempt < 100 && !files.Dead(); ++attempt) {
    const auto candidate = parent / (stem + std::to_string(rd()));
    if (files.MakeFolder(candidate)) {
      return candidate;
    }
  }
  return {};
}

bool WriteJournal(InstallFiles& files, const fs::path& target, const Journal& j) {
  const std::string text = JournalText(j);
  return files.WriteFile(target / kJournalName,
                         std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                         kPlainFile);
}

// Where one entry's files are: in place, staged and saved (the old one).
struct Places {
  fs::path installed, staged, saved;
};

Places PlacesOf(const fs::path& target, const Journal& j, const Journal::Item& item) {
  const fs::path relative(item.path);
  return {target / relative, target / j.staging / relative, target / j.backup / relative};
}

// Checks every entry before anything is written and fills the journal's
// entries and the folders the install will create.
bool Preflight(InstallFiles& files, const std::vector<PackageEntry>& entries,
               const fs::path& target, Journal& j, std::string& error) {
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
        const Kind kind = files.KindAt(at);
        if (kind == Kind::kUnknown) {
          error = "cannot check " + at.string();
          return false;
        }
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
    const Kind kind = missing ? Kind::kMissing : files.KindAt(target / relative);
    if (kind != Kind::kFile && kind != Kind::kMissing) {
      error = kind == Kind::kUnknown  ? "cannot check " + (target / relative).string()
              : kind == Kind::kFolder ? e.path + " is a folder in the installation"
                                      : e.path + " is not a regular file in the installation";
      return false;
    }
    j.items.push_back({kind == Kind::kFile, e.path});
  }
  return true;
}

bool StageFiles(InstallFiles& files, const std::vector<PackageEntry>& entries,
                const fs::path& staging, const Say& say, std::string& error) {
  for (const PackageEntry& e : entries) {
    say("staging " + e.path);
    const fs::path relative(e.path);
    const fs::path staged = staging / relative;
    const fs::perms mode = (e.flags & kPackageExecutable) != 0 ? kExecutable : kPlainFile;
    if (!EnsureFolders(files, staging, relative.parent_path()) ||
        !files.WriteFile(staged, e.contents, mode)) {
      error = "cannot write " + staged.string();
      return false;
    }
  }
  return true;
}

// The new file in place, the old one (if any) saved. Every answer must be clear.
bool Installed(InstallFiles& files, const Places& p, const Journal::Item& item) {
  return files.KindAt(p.staged) == Kind::kMissing && files.KindAt(p.installed) == Kind::kFile &&
         (!item.existed || files.KindAt(p.saved) == Kind::kFile);
}

// The old file (if any) in place and nothing of the install's in the way.
bool Restored(InstallFiles& files, const Places& p, const Journal::Item& item) {
  const Kind staged = files.KindAt(p.staged);
  if (!item.existed) {
    // Never moved in, or moved back; whatever is at its place is not the install's.
    return staged == Kind::kFile ||
           (staged == Kind::kMissing && files.KindAt(p.installed) == Kind::kMissing);
  }
  // The new file staged or dropped (by an earlier installer), the old one back.
  return (staged == Kind::kFile || staged == Kind::kMissing) &&
         files.KindAt(p.saved) == Kind::kMissing && files.KindAt(p.installed) == Kind::kFile;
}

enum class Step { kDone, kFailed, kStopped };

// Moves one staged file in, the file it replaces out to the backup first.
bool MoveOneIn(InstallFiles& files, const fs::path& target, const Journal& j,
               const Journal::Item& item, const Places& p, bool fail) {
  const fs::path parent = fs::path(item.path).parent_path();
  if (!EnsureFolders(files, target, parent)) {
    return false;
  }
  const Kind installed = files.KindAt(p.installed);
  if (item.existed && installed == Kind::kFile) {
    if (!EnsureFolders(files, target / j.backup, parent) ||
        files.KindAt(p.saved) != Kind::kMissing || !files.Rename(p.installed, p.saved)) {
      return false;
    }
  } else if (item.existed && installed == Kind::kMissing) {
    if (files.KindAt(p.saved) != Kind::kFile) {
      return false;  // the old file is neither in place nor saved
    }
  } else if (installed != Kind::kMissing) {
    return false;  // something appeared where the check saw nothing
  }
  return !fail && files.Rename(p.staged, p.installed);
}

// Moves every staged file in, then checks every one in place. Entries whose
// staged file is gone were moved in before, so a recovery picks up where a
// dead process stopped.
Step MoveIn(InstallFiles& files, const fs::path& target, const Journal& j, const Say& say,
            std::string& error) {
  const InstallFaults& faults = files.faults();
  int moved = 0;
  for (size_t i = 0; i < j.items.size(); ++i) {
    const Journal::Item& item = j.items[i];
    const Places p = PlacesOf(target, j, item);
    const Kind staged = files.KindAt(p.staged);
    if (staged == Kind::kMissing) {
      continue;
    }
    error = "cannot replace " + p.installed.string();
    if (staged != Kind::kFile) {
      return files.Dead() ? Step::kStopped : Step::kFailed;
    }
    if (moved++ == faults.stopAfterSwaps) {
      files.Die();
      return Step::kStopped;
    }
    say("installing " + item.path);
    if (!MoveOneIn(files, target, j, item, p, static_cast<int>(i) == faults.failSwap)) {
      return files.Dead() ? Step::kStopped : Step::kFailed;
    }
  }
  for (const Journal::Item& item : j.items) {
    if (!Installed(files, PlacesOf(target, j, item), item)) {
      error = "cannot check that " + (target / item.path).string() + " is in place";
      return files.Dead() ? Step::kStopped : Step::kFailed;
    }
  }
  error.clear();
  return Step::kDone;
}

// Makes one entry's moves backwards: the new file back to staging, the old one
// back in place.
bool MoveOneBack(InstallFiles& files, const Places& p, const Journal::Item& item, bool fail) {
  const Kind staged = files.KindAt(p.staged);
  const Kind installed = files.KindAt(p.installed);
  if (!item.existed) {
    return staged == Kind::kMissing && installed == Kind::kFile &&
           files.Rename(p.installed, p.staged);
  }
  const Kind saved = files.KindAt(p.saved);
  if (saved != Kind::kFile) {
    return false;
  }
  if (staged == Kind::kMissing && installed == Kind::kFile) {
    if (!files.Rename(p.installed, p.staged)) {
      return false;
    }
  } else if (staged != Kind::kFile || installed != Kind::kMissing) {
    return false;
  }
  return !fail && files.Rename(p.saved, p.installed);
}

// Puts every saved file back and takes out every new one, then checks every
// entry. Stops at the first entry that cannot be made old again.
bool PutBack(InstallFiles& files, const fs::path& target, const Journal& j, std::string& error) {
  const auto failed = [&](const fs::path& installed) {
    error = "cannot put " + installed.string() + " back; the previous files are kept in " +
            (target / j.backup).string();
    return false;
  };
  for (size_t n = j.items.size(); n-- > 0;) {
    const Journal::Item& item = j.items[n];
    const Places p = PlacesOf(target, j, item);
    if (!Restored(files, p, item) &&
        !MoveOneBack(files, p, item, static_cast<int>(n) == files.faults().failRestore)) {
      return failed(p.installed);
    }
  }
  for (size_t n = j.folders.size(); n-- > 0;) {
    files.Remove(target / j.folders[n]);  // only when empty again
  }
  for (const Journal::Item& item : j.items) {
    const Places p = PlacesOf(target, j, item);
    if (!Restored(files, p, item)) {
      return failed(p.installed);
    }
  }
  return true;
}

// Clears away staging and backup folders and journal drafts that no journal
// names (any journal is gone by now).
void ClearLeftovers(InstallFiles& files, const fs::path& target) {
  std::vector<std::string> names;
  files.List(target, names);
  for (const std::string& name : names) {
    const fs::path path = target / name;
    if (IsOwnFolderName(name, kStagingPrefix) || IsOwnFolderName(name, kBackupPrefix)) {
      if (files.KindAt(path) == Kind::kFolder) {
        files.RemoveTree(path);
      }
    } else if (IsJournalDraftName(name) && files.KindAt(path) == Kind::kFile) {
      files.Remove(path);
    }
  }
}

// Once every file was checked in place: the journal goes first, and from then
// on the install counts as done (or undone) and the folders are leftovers.
void Finish(InstallFiles& files, const fs::path& target) {
  if (files.Remove(target / kJournalName)) {
    ClearLeftovers(files, target);
  }
}

// After a failed move: record the turn, then undo. Every move can be made
// backwards, so a journal that still says "install" is no danger: a later
// recovery would finish the install, which is as good an end.
bool Undo(InstallFiles& files, const fs::path& target, Journal& j, std::string& error) {
  j.undo = true;
  if (!WriteJournal(files, target, j) && !files.Dead()) {
    error += "; the install journal cannot be updated";
  }
  std::string reason;
  if (files.Dead() || !PutBack(files, target, j, reason)) {
    error += "; " + (files.Dead() ? std::string("stopped half-way") : reason);
    return false;
  }
  Finish(files, target);
  return true;
}

// Stages the files and writes the journal; on failure nothing is left but
// what a dead process could not clear away.
bool Prepare(InstallFiles& files, const std::vector<PackageEntry>& entries, const fs::path& target,
             Journal& j, const Say& say, std::string& error) {
  // Staging and backup live in the target folder so that every move is a
  // rename on one file system.
  const fs::path staging = UniqueFolder(files, target, kStagingPrefix);
  const fs::path backup = staging.empty() ? fs::path() : UniqueFolder(files, target, kBackupPrefix);
  if (!staging.empty() && !backup.empty()) {
    j.staging = staging.filename().string();
    j.backup = backup.filename().string();
    if (StageFiles(files, entries, staging, say, error)) {
      if (WriteJournal(files, target, j)) {
        return true;
      }
      error = "cannot write the install journal in " + target.string();
    }
  } else {
    error = "cannot create a staging folder in " + target.string();
  }
  if (!staging.empty()) {
    files.RemoveTree(staging);
  }
  if (!backup.empty()) {
    files.RemoveTree(backup);
  }
  return false;
}

}  // namespace

bool InstallUpdate(const std::vector<PackageEntry>& entries, const fs::path& target,
                   std::string& error, const std::function<void(const std::string&)>& progress,
                   const InstallFaults& faults) {
  const Say say = [&](const std::string& text) {
    if (progress) {
      progress(text);
    }
  };
  InstallFiles files(faults);
  const Kind targetKind = files.KindAt(target);
  if (targetKind != Kind::kFolder) {
    error = target.string() +
            (targetKind == Kind::kUnknown ? " cannot be checked" : " is not a folder");
    return false;
  }
  const Kind journal = files.KindAt(target / kJournalName);
  if (journal != Kind::kMissing) {
    error = journal == Kind::kUnknown
                ? "cannot check whether an earlier update of " + target.string() + " is unfinished"
                : "an earlier update of " + target.string() + " is unfinished";
    return false;
  }
  Journal j;
  if (!Preflight(files, entries, target, j, error) ||
      !Prepare(files, entries, target, j, say, error)) {
    if (files.Dead()) {
      error = "stopped half-way";
    }
    return false;
  }

  switch (MoveIn(files, target, j, say, error)) {
    case Step::kDone:
      Finish(files, target);
      say("installed " + std::to_string(entries.size()) + " files");
      return true;
    case Step::kStopped:
      error = "stopped half-way";
      return false;
    case Step::kFailed:
      break;
  }
  if (Undo(files, target, j, error)) {
    error += "; the previous files are back";
  }
  return false;
}

bool InstallInterrupted(const fs::path& target) {
  InstallFiles files;
  return files.KindAt(target / kJournalName) != Kind::kMissing;
}

RecoveryResult RecoverInterruptedInstall(const fs::path& target, std::string& error,
                                         const InstallFaults& faults) {
  InstallFiles files(faults);
  const fs::path journalFile = target / kJournalName;
  const Kind kind = files.KindAt(journalFile);
  if (kind == Kind::kMissing) {
    ClearLeftovers(files, target);
    return RecoveryResult::kNothingToDo;
  }
  std::vector<uint8_t> bytes;
  Journal j;
  if (kind != Kind::kFile || !files.ReadFile(journalFile, kMaxJournalBytes, bytes) ||
      !ParseJournal(std::string(bytes.begin(), bytes.end()), j)) {
    error = "the update journal " + journalFile.string() + " cannot be read";
    return RecoveryResult::kFailed;
  }
  if (!j.undo) {
    if (MoveIn(
            files, target, j, [](const std::string&) {}, error) == Step::kDone) {
      Finish(files, target);
      return RecoveryResult::kFinished;
    }
    if (files.Dead()) {
      return RecoveryResult::kFailed;
    }
  }
  return Undo(files, target, j, error) ? RecoveryResult::kUndone : RecoveryResult::kFailed;
}

}  // namespace padscope
