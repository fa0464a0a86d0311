#pragma once

// The analysis as a report: an aligned text table, CSV, JSON, or one
// self-contained HTML page. Every number is written with a decimal point
// whatever the process locale, so the window and the command line agree.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Analysis.h"

namespace padscope {

enum class ReportFormat { Text, Csv, Json, Html };

// "text", "csv", "json" or "html".
std::optional<ReportFormat> ParseReportFormat(std::string_view name);

// What the report says about where its figures come from.
struct ReportInputs {
  std::string source;    // the chart file, or what was captured
  std::string settings;  // the settings file the thresholds came from; empty: none
  std::string keys;      // which keys were analysed and why; empty: every carried channel
  // The channel's name in the text and HTML reports ("CH3" by default).
  std::function<std::string(int channel)> label;
};

std::string FormatAnalysisReport(const AnalysisResult& result, ReportFormat format,
                                 const ReportInputs& inputs);

std::string FormatAnalysisText(const AnalysisResult& result, const ReportInputs& inputs);
std::string FormatAnalysisCsv(const AnalysisResult& result);
std::string FormatAnalysisJson(const AnalysisResult& result, const ReportInputs& inputs);
std::string FormatAnalysisHtml(const AnalysisResult& result, const ReportInputs& inputs);

// A channel's label from the inputs, or "CH<n>".
std::string ChannelName(const ReportInputs& inputs, int channel);

// Numbers as every report writes them: `decimals` places, "inf" for infinity.
std::string FormatFixed(double value, int decimals);

// One line per key that does not pass: "CH3: dead: its values never move".
std::vector<std::string> FailingKeyLines(const AnalysisResult& result, const ReportInputs& inputs);

}  // namespace padscope
