#pragma once

// What `check` and `analyze` add for a production line: the unit's serial,
// lot and station, the results store the run goes to (or its spool when the
// store is away), and a JUnit file.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "analysis/Analysis.h"
#include "results/StoreAddress.h"

namespace padscope {

// The exit statuses a stored run may end with beyond 0, 1 and 3.
inline constexpr int kExitPassedSpooled = 4;  // every touched key passes; result spooled
inline constexpr int kExitFailedSpooled = 5;  // a key fails; result spooled

struct ProductionArgs {
  std::string serial;
  std::string lot;
  std::optional<std::string> station;  // default: the host name
  std::optional<StoreAddress> db;
  bool noDb = false;
  std::string junit;  // the JUnit file to write; empty: none
};

// Takes one of --serial, --lot, --station, --db and --junit with its value:
// true when `name` is one of them, with `wanted` set to what the value must
// be when it is bad.
bool ParseProductionOption(const std::string& name, const std::string& value, ProductionArgs& p,
                           std::string& wanted);

// One run of check (or analyze), from its start.
class ProductionRun {
 public:
  // `args` are the command's arguments: the analysis options among them are
  // stored with the unit.
  ProductionRun(const ProductionArgs& production, bool check, const std::vector<std::string>& args);

  // Records the run: `result` is its analysis (null when there was nothing to
  // analyse), `status` the exit status it gives, `recording` the chart that
  // holds its frames (may be empty) and `settingsFile` the --settings file.
  // Writes the JUnit file, stores the unit (or spools it) and returns the
  // exit status the command ends with.
  int Finish(CliContext& cli, const AnalysisResult* result, int status,
             const std::string& recording, const std::string& settingsFile);

 private:
  // The store this run goes to, if any.
  std::optional<StoreAddress> Store() const;

  ProductionArgs production_;
  bool check_;
  std::string options_;
  int64_t startMs_;
};

}  // namespace padscope
