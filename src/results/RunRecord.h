#pragma once

// What a run's unit record is made of: the analysis's keys, hashes, the
// station's name and the clock.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Analysis.h"
#include "results/UnitRecord.h"

namespace padscope {

// Each analysed key: every column of the analysis report under its name,
// the figures the statistics use as numbers, the verdict, why it did not
// pass, and the keys its touch moves past the crosstalk flag level.
std::vector<KeyRecord> KeyRecords(const AnalysisResult& result);

// The threshold rule and the pass limit as stored with each unit
// ("factor: idle maximum + 0.50 x (...); snr >= 5.00").
std::string PassRule(const AnalysisOptions& options);

// SHA-256 in 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);
// Of a file's bytes; nothing when it cannot be read.
std::optional<std::string> FileSha256Hex(const std::filesystem::path& path);

// This computer's name (the default station name); "unknown" when none.
std::string HostName();

// Milliseconds since 1970-01-01 UTC.
int64_t NowMs();

}  // namespace padscope
