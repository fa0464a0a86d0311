#pragma once

// Text helpers the report writers share, and the one list of the per-key
// figures every report, the Tuning panel and the results store name.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Analysis.h"
#include "analysis/AnalysisReport.h"

namespace padscope {

using ReportCell = std::optional<std::string>;

// One per-channel figure: its CSV and JSON name, its short heading in the
// text table and its title in the HTML table, and its value (nothing where
// the range gives no figure). Values are numbers unless `text`; a number may
// read "inf".
struct ReportColumn {
  const char* name;
  const char* heading;
  const char* title;
  ReportCell (*value)(const ChannelResult&);
  bool text = false;
};

// The CSV columns, in their order; the text, JSON and HTML reports use them too.
const std::vector<ReportColumn>& ReportColumns();
// Figures JSON adds to the CSV columns.
const std::vector<ReportColumn>& JsonExtraColumns();
// The column named `name`, or null.
const ReportColumn* ReportColumnNamed(std::string_view name);

// Why a key does not pass, one clause per reason ("the chip missed 10 of 10
// touches", "dead: its values never move"); empty for a key that passes.
std::vector<std::string> VerdictReasons(const ChannelResult& c, const AnalysisOptions& options,
                                        const ReportInputs& inputs);
// Debounce and hysteresis advice from the chatter, spikes and noise; may be empty.
std::vector<std::string> TuningAdvice(const ChannelResult& c);

// Characters of UTF-8 text (what a terminal column counts for most texts).
size_t DisplayWidth(std::string_view text);

// `text` as a quoted JSON string.
std::string JsonString(std::string_view text);

// `text` with &, <, > and quotes escaped for XML and HTML.
std::string XmlEscape(std::string_view text);

// The inputs in a few lines: source, range, counts, times, rule, settings.
std::string DescribeInputs(const AnalysisResult& result, const ReportInputs& inputs);

}  // namespace padscope
