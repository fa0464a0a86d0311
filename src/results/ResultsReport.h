#pragma once

// The statistics of a store as a report: an aligned text table, CSV, JSON or
// one self-contained HTML page with an SNR histogram per key.

#include <string>
#include <string_view>
#include <vector>

#include "analysis/AnalysisReport.h"
#include "results/ResultsSummary.h"

namespace padscope {

struct ResultsReportInputs {
  std::string store;   // the store's address, without a password
  std::string filter;  // "lot X, station any, ..." in one line
  double minSnr = 5.0;
  GroupSummary all;
  std::vector<GroupSummary> stations;  // in name order
};

std::string FormatResultsReport(const ResultsReportInputs& inputs, ReportFormat format);
std::string FormatResultsHtml(const ResultsReportInputs& inputs);

// Untrusted text made fit to show: valid UTF-8 without control characters is
// kept, every other byte written as \xNN (a backslash as \\).
std::string ShowableText(std::string_view bytes);

// "12.5 %" of a share, "-" of nothing.
std::string Percent(size_t part, size_t whole);

// A figure as the reports write it, "-" for nothing.
std::string FigureText(double value);

}  // namespace padscope
