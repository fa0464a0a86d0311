#include "analysis/AnalysisReport.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "analysis/ReportText.h"

namespace padscope {

namespace {

std::string Integer(int64_t v) {
  return std::to_string(v);
}

std::string Pad(const std::string& text, size_t width, bool left) {
  const size_t length = DisplayWidth(text);
  const std::string fill(width > length ? width - length : 0, ' ');
  return left ? text + fill : fill + text;
}

// A JSON value: numbers as they are, "inf" and texts quoted, nothing as null.
std::string JsonValue(const ReportCell& cell, bool text) {
  if (!cell) {
    return "null";
  }
  return text || *cell == "inf" ? JsonString(*cell) : *cell;
}

std::string CrosstalkPairs(const AnalysisResult& result, const ReportInputs& inputs) {
  std::string out;
  for (const ChannelResult& from : result.channels) {
    for (const ChannelResult& to : result.channels) {
      const CrosstalkCell& cell = result.crosstalk[from.channel][to.channel];
      if (cell.flagged) {
        out += "  " + ChannelName(inputs, from.channel) + " -> " + ChannelName(inputs, to.channel) +
               ": " + FormatFixed(cell.shift, 2) + " (" + FormatFixed(*cell.percent, 1) +
               " % of the touched key's signal)\n";
      }
    }
  }
  return out;
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  if (std::isinf(value)) {
    return value > 0 ? "inf" : "-inf";
  }
  if (std::isnan(value)) {
    return "nan";
  }
  char buffer[64];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string text(buffer, r.ptr);
  return text.find_first_not_of("-0.") == std::string::npos ? text.substr(text[0] == '-') : text;
}

std::string ChannelName(const ReportInputs& inputs, int channel) {
  return inputs.label ? inputs.label(channel) : "CH" + std::to_string(channel);
}

std::optional<ReportFormat> ParseReportFormat(std::string_view name) {
  if (name == "text") {
    return ReportFormat::Text;
  }
  if (name == "csv") {
    return ReportFormat::Csv;
  }
  if (name == "json") {
    return ReportFormat::Json;
  }
  if (name == "html") {
    return ReportFormat::Html;
  }
  return std::nullopt;
}

std::string FormatAnalysisReport(const AnalysisResult& result, ReportFormat format,
                                 const ReportInputs& inputs) {
  switch (format) {
    case ReportFormat::Csv:
      return FormatAnalysisCsv(result);
    case ReportFormat::Json:
      return FormatAnalysisJson(result, inputs);
    case ReportFormat::Html:
      return FormatAnalysisHtml(result, inputs);
    case ReportFormat::Text:
      break;
  }
  return FormatAnalysisText(result, inputs);
}

std::string FormatAnalysisCsv(const AnalysisResult& result) {
  std::string out;
  for (const ReportColumn& c : ReportColumns()) {
    out += std::string(out.empty() ? "" : ",") + c.name;
  }
  out += "\n";
  for (const ChannelResult& ch : result.channels) {
    for (size_t i = 0; i < ReportColumns().size(); ++i) {
      out += (i == 0 ? "" : ",") + ReportColumns()[i].value(ch).value_or("");
    }
    out += "\n";
  }
  return out;
}

std::string FormatAnalysisText(const AnalysisResult& result, const ReportInputs& inputs) {
  std::vector<std::vector<std::string>> rows;
  rows.emplace_back();
  for (const ReportColumn& c : ReportColumns()) {
    rows.back().push_back(c.heading);
  }
  for (const ChannelResult& ch : result.channels) {
    rows.emplace_back();
    for (const ReportColumn& c : ReportColumns()) {
      rows.back().push_back(&c == &ReportColumns().front() ? ChannelName(inputs, ch.channel)
                                                           : c.value(ch).value_or("-"));
    }
  }
  std::vector<size_t> widths(ReportColumns().size(), 0);
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
  }
  std::string out = DescribeInputs(result, inputs) + "\n";
  for (const auto& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      const bool left = i == 0 || i + 1 == row.size();
      line += (i == 0 ? "" : "  ") + Pad(row[i], widths[i], left);
    }
    out += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
  }
  const std::string pairs = CrosstalkPairs(result, inputs);
  const std::string level = FormatFixed(result.options.crosstalkFlagPercent, 1) + " %";
  out += pairs.empty() ? "crosstalk: no pair above " + level + "\n"
                       : "crosstalk above " + level + ":\n" + pairs;
  return out;
}

std::string FormatAnalysisJson(const AnalysisResult& result, const ReportInputs& inputs) {
  const AnalysisOptions& o = result.options;
  std::string out = "{\n  \"inputs\": {";
  out += "\"file\": " + JsonString(inputs.source);
  out += ", \"settings\": " + (inputs.settings.empty() ? "null" : JsonString(inputs.settings));
  out += ", \"from\": " + Integer(result.firstFrame) + ", \"to\": " + Integer(result.lastFrame);
  out += ", \"guard\": " + Integer(o.guard) + ", \"min_snr\": " + FormatFixed(o.minSnr, 2);
  out += ", \"threshold_at\": " + FormatFixed(o.thresholdAt, 3);
  out += ", \"crosstalk_flag_percent\": " + FormatFixed(o.crosstalkFlagPercent, 1);
  out += std::string(", \"value_width\": ") + (o.singleByteMode ? "\"single\"" : "\"double\"");
  out += "},\n  \"frames\": " + Integer(result.frames);
  out += ",\n  \"idle_frames\": " + Integer(result.idleFrames);
  out +=
      ",\n  \"all_touched_pass\": " + std::string(result.TouchedChannelsPass() ? "true" : "false");
  out += ",\n  \"channels\": [";
  for (size_t i = 0; i < result.channels.size(); ++i) {
    const ChannelResult& ch = result.channels[i];
    out += std::string(i == 0 ? "" : ",") + "\n    {";
    bool first = true;
    for (const auto* columns : {&ReportColumns(), &JsonExtraColumns()}) {
      for (const ReportColumn& c : *columns) {
        const bool text = std::string_view(c.name) == "verdict";
        out += std::string(first ? "" : ", ") + JsonString(c.name) + ": " +
               JsonValue(c.value(ch), text);
        first = false;
      }
    }
    out += "}";
  }
  out += "\n  ],\n  \"crosstalk\": {\n    \"channels\": [";
  for (size_t i = 0; i < result.channels.size(); ++i) {
    out += (i == 0 ? "" : ", ") + Integer(result.channels[i].channel);
  }
  out +=
      "],\n    \"note\": \"shift[i][j]: mean output of j while i alone is touched, less j's "
      "idle mean; percent: shift as a share of i's signal\",\n";
  for (const bool percent : {false, true}) {
    out += std::string("    \"") + (percent ? "percent" : "shift") + "\": [";
    for (size_t i = 0; i < result.channels.size(); ++i) {
      out += std::string(i == 0 ? "" : ",") + "\n      [";
      for (size_t j = 0; j < result.channels.size(); ++j) {
        const CrosstalkCell& cell =
            result.crosstalk[result.channels[i].channel][result.channels[j].channel];
        ReportCell v;
        if (cell.measured && (!percent || cell.percent)) {
          v = FormatFixed(percent ? *cell.percent : cell.shift, percent ? 1 : 2);
        }
        out += (j == 0 ? "" : ", ") + JsonValue(v, false);
      }
      out += "]";
    }
    out += "\n    ],\n";
  }
  out += "    \"flagged\": [";
  bool first = true;
  for (const ChannelResult& from : result.channels) {
    for (const ChannelResult& to : result.channels) {
      const CrosstalkCell& cell = result.crosstalk[from.channel][to.channel];
      if (cell.flagged) {
        out += std::string(first ? "" : ", ") + "{\"touched\": " + Integer(from.channel) +
               ", \"affected\": " + Integer(to.channel) +
               ", \"percent\": " + FormatFixed(*cell.percent, 1) + "}";
        first = false;
      }
    }
  }
  out += "]\n  }\n}\n";
  return out;
}

}  // namespace padscope
