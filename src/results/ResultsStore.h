#pragma once

// The results store: every run's unit and key results, in a SQLite file or on
// a PostgreSQL server, behind one interface. One object per thread; two
// objects (in one process or many, on one station or many) may write the
// same store at once.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "results/ResultsSchema.h"
#include "results/StoreAddress.h"
#include "results/UnitRecord.h"

namespace padscope {

struct ResultsFilter {
  std::optional<std::string> lot;      // exactly these bytes
  std::optional<std::string> station;  // exactly these bytes
  std::optional<int64_t> sinceMs;      // started at or after
  std::optional<int64_t> untilMs;      // started at or before
  // false: only what the statistics need (run id, serial, lot, station, start,
  // verdict and the keys' verdicts, reasons and figures); true: everything.
  bool details = true;
};

class ResultsStore {
 public:
  virtual ~ResultsStore() = default;

  virtual int SchemaVersion() const = 0;
  // Writes the units in one transaction: all of them or, on an error, none.
  // A unit whose run id is stored already is left as it is, so a result
  // written twice is stored once. False with `error` set to one line.
  virtual bool Write(std::span<const UnitRecord> units, std::string& error) = 0;
  // Hands the units the filter lets through to `unit`, one at a time, in the
  // order they were started (their keys in key order). False with `error`.
  virtual bool Read(const ResultsFilter& filter, const std::function<void(UnitRecord&&)>& unit,
                    std::string& error) = 0;
};

// Opens the store at `address` and brings its tables to the current schema
// version. Null, with `error` set to one line, when it cannot be reached, its
// tables cannot be made, or a newer program made them.
std::unique_ptr<ResultsStore> OpenResultsStore(const StoreAddress& address, std::string& error);

}  // namespace padscope
