#pragma once

// One update run: download the package from the update source, check its
// signature, format and version, wait for the program to end, install the
// package over the program's folder and start the program again. Any failure
// is reported and leaves the installed program as it was; the program, which
// ended to be updated, is started again all the same.

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

#include "UpdaterTexts.h"
#include "support/UpdateKeys.h"

namespace padscope::updater {

struct UpdaterReport {
  std::function<void(const QString&)> status;               // one line per step
  std::function<void(qint64 done, qint64 total)> progress;  // total -1 when unknown
  std::function<void(const QString&)> failure;              // the reason the run stopped
};

// What the user reads when a package is refused, whatever the reason; the
// reason itself follows on its own line.
inline constexpr char kUnverifiedText[] = "The update could not be verified and was not installed.";

// Returns the process exit code: 0 when the program was updated and started.
// Without a key nothing is installed. A package announcing or sending more
// than `maxPackageBytes` is refused, and no more than that is ever held.
int RunUpdate(const QString& baseAddress, const QString& programPath,
              const std::optional<UpdatePublicKey>& key, const UpdaterTexts& texts,
              const UpdaterReport& report, qint64 maxPackageBytes);

// Removes the updater's own files and then its folder, when it runs from a
// private folder the program made for it; anything else is left alone.
void RemoveUpdaterFolder(const QString& folder);

}  // namespace padscope::updater
