#pragma once

// One update run: download the package from the update source, check it, wait
// for the program to end, install the package over the program's folder and
// start the program again. Any failure is reported and leaves the installed
// program as it was.

#include <QString>
#include <functional>

#include "UpdaterTexts.h"

namespace padscope::updater {

struct UpdaterReport {
  std::function<void(const QString&)> status;               // one line per step
  std::function<void(qint64 done, qint64 total)> progress;  // total -1 when unknown
  std::function<void(const QString&)> failure;              // the reason the run stopped
};

// Returns the process exit code: 0 when the program was updated and started.
int RunUpdate(const QString& baseAddress, const QString& programPath, const UpdaterTexts& texts,
              const UpdaterReport& report);

}  // namespace padscope::updater
