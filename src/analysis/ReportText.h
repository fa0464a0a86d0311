#pragma once

// Text helpers the report writers share.

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
// the range gives no figure).
struct ReportColumn {
  const char* name;
  const char* heading;
  const char* title;
  ReportCell (*value)(const ChannelResult&);
};

// The CSV columns, in their order; the text, JSON and HTML reports use them too.
const std::vector<ReportColumn>& ReportColumns();
// Figures JSON adds to the CSV columns.
const std::vector<ReportColumn>& JsonExtraColumns();

// Characters of UTF-8 text (what a terminal column counts for most texts).
size_t DisplayWidth(std::string_view text);

// `text` as a quoted JSON string.
std::string JsonString(std::string_view text);

// `text` with &, <, > and quotes escaped for XML and HTML.
std::string XmlEscape(std::string_view text);

// The inputs in a few lines: source, range, counts, options, settings.
std::string DescribeInputs(const AnalysisResult& result, const ReportInputs& inputs);

}  // namespace padscope
