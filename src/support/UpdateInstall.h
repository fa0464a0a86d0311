#pragma once

// Installing an update package's files over the program's folder so that the
// folder ends up either as it was or fully updated, also across a crash.
//
// Every file is first written into a staging folder inside the installation.
// A journal in the installation then names the staging and backup folders and
// every entry; each replaced file moves to the backup folder as the new one
// moves in. Once all are in, the journal goes and with it the backup. A failed
// move puts everything back; a process that dies half-way leaves the journal,
// and the next RecoverInterruptedInstall finishes the install or undoes it.
// Every move can be made backwards as well as forwards, so whichever way a
// recovery goes, each file ends up old or new, never lost. A status check that
// gets no clear answer stops the install and undoes it, and nothing is cleared
// away (the journal, the backup) before every file was checked in place.
// Nothing is written through a symbolic link, and files the package does not
// name are never touched.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/InstallFiles.h"
#include "support/UpdatePackage.h"

namespace padscope {

// Installs the entries over `target`. Before anything is written, every entry
// is checked: each folder on its way must be a real folder inside the target
// (or missing, then it is created), and the entry itself a regular file or
// missing; otherwise the whole package is refused. An unfinished earlier install
// is refused too (recover it first). True only when every file was found in
// place. On failure `error` says why and whether the previous files are back.
// `progress` (may be empty) hears a short text per step.
bool InstallUpdate(const std::vector<PackageEntry>& entries, const std::filesystem::path& target,
                   std::string& error, const std::function<void(const std::string&)>& progress = {},
                   const InstallFaults& faults = {});

// True when an install in `target` was interrupted (its journal is there), or
// when that cannot be told: a recovery is due before the folder is used.
bool InstallInterrupted(const std::filesystem::path& target);

enum class RecoveryResult {
  kNothingToDo,  // no interrupted install
  kFinished,     // the interrupted install was completed
  kUndone,       // the interrupted install was rolled back
  kFailed,       // neither: the journal and the backup are kept for the next try
};

// Completes or undoes an install that stopped half-way in `target`, and clears
// away staging and backup folders and journal drafts that no journal needs any
// more. Run it while holding the program's single-instance guard.
RecoveryResult RecoverInterruptedInstall(const std::filesystem::path& target, std::string& error,
                                         const InstallFaults& faults = {});

}  // namespace padscope
