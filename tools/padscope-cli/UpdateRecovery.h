#pragma once

// padscope-cli runs from the program's folder, which an update may have left
// half-replaced: before any command, such an install is finished or undone,
// as the window does at its start.

#include <chrono>
#include <filesystem>
#include <iosfwd>

namespace padscope {

// The user's runtime folder by the rule the Qt programs follow
// ($XDG_RUNTIME_DIR, else "runtime-<user>" in the temporary folder), so that
// the CLI's locks are the window's and the updater's. Empty where unknown.
std::filesystem::path DefaultRuntimeDirectory();

// Finishes or undoes an interrupted install of `folder` while holding the
// program's single-instance guard (waiting up to `patience` for it); a guard
// that cannot be used at all leaves the folder as it is, as in the window.
// Lines go to `err`. False when Padscope or its updater holds the guard over
// an unfinished install: the command should not run on the folder then.
bool FinishInterruptedUpdate(const std::filesystem::path& folder, std::ostream& err,
                             std::chrono::milliseconds patience = std::chrono::seconds(10));

}  // namespace padscope
