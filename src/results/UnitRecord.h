#pragma once

// One stored run: the unit a check (or a bench analysis) measured and the
// figures of each of its keys. Texts that come from outside (serials and lots
// from barcode scanners, station names, file paths) are bytes: any value,
// NUL and invalid UTF-8 included, is kept exactly.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace padscope {

// One figure of a key under the analysis report's column name ("snr",
// "raw_noise", ...); nothing where the run gives no figure.
struct KeyFigure {
  std::string name;
  std::optional<std::string> value;

  bool operator==(const KeyFigure&) const = default;
};

// Another key that this key's touch moves by more than the crosstalk flag
// level, and by how much (percent of this key's signal).
struct CrosstalkFlag {
  int affected = 0;
  double percent = 0;

  bool operator==(const CrosstalkFlag&) const = default;
};

struct KeyRecord {
  int channel = 0;
  // The figures the statistics are made of; nothing where the run has none
  // (an untouched key has no signal).
  std::optional<double> snr;
  std::optional<double> noise;
  std::optional<double> signal;
  std::optional<double> falseTouchMargin;
  std::optional<double> detectionMargin;
  std::string verdict;             // "pass", "fail", "untouched", "no data"
  std::string reason;              // why it did not pass; empty when it did
  std::vector<KeyFigure> figures;  // every column of the analysis report
  std::vector<CrosstalkFlag> crosstalk;

  bool operator==(const KeyRecord&) const = default;
};

struct UnitRecord {
  // 32 hex digits, made once per run: writing the same run twice (a spooled
  // result delivered by two processes) stores it once.
  std::string runId;
  std::string kind = "check";  // "check" or "analyze"
  std::string serial;          // bytes
  std::string lot;             // bytes
  std::string station;         // bytes
  int64_t startMs = 0;         // milliseconds since 1970-01-01 UTC
  int64_t endMs = 0;
  std::string programVersion;
  std::string settings;        // the settings in effect, one "name = value" a line
  std::string settingsSha256;  // of `settings`, 64 hex digits
  std::string rule;            // the pass rule ("snr >= 5.00")
  std::string options;         // the analysis options as given on the command line
  std::string recordingPath;   // bytes; empty: no recording kept
  std::string recordingSha256;
  std::string verdict;  // "pass", "fail" or "error" (nothing to analyse)
  int exitStatus = 0;   // the status the verdict gives (0, 3 or 1)
  std::vector<KeyRecord> keys;

  bool operator==(const UnitRecord&) const = default;
};

// A fresh run id: 128 random bits in hex.
std::string NewRunId();

}  // namespace padscope
