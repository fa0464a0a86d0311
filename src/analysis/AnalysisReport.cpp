#include "analysis/AnalysisReport.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "analysis/ReportText.h"
#include "analysis/ThresholdRules.h"

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

// A JSON value: numbers as they are, texts quoted, nothing (and infinity,
// which JSON has no number for) as null.
std::string JsonValue(const ReportCell& cell, bool text) {
  if (!cell || (!text && (*cell == "inf" || *cell == "-inf"))) {
    return "null";
  }
  return text ? JsonString(*cell) : *cell;
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    out += (i == 0 ? "" : ", ") + JsonString(items[i]);
  }
  return out + "]";
}

std::string CrosstalkPairs(const AnalysisResult& result, const ReportInputs& inputs) {
  std::string out;
  for (const ChannelResult& from : result.channels) {
    for (const ChannelResult& to : result.channels) {
      const CrosstalkCell& cell = result.crosstalk[from.channel][to.channel];
      if (!cell.flagged) {
        continue;
      }
      out += "  " + ChannelName(inputs, from.channel) + " -> " + ChannelName(inputs, to.channel) +
             ": " + FormatFixed(cell.shift, 2);
      if (cell.percent) {
        out += " (" + FormatFixed(*cell.percent, 1) + " % of the touched key's signal)";
      }
      if (cell.fired > 0) {
        out += "; fired " + ChannelName(inputs, to.channel) + "'s bit in " +
               std::to_string(cell.fired) + " touches";
      }
      out += "\n";
    }
  }
  return out;
}

std::string AdviceLines(const AnalysisResult& result, const ReportInputs& inputs) {
  std::string out;
  for (const ChannelResult& c : result.channels) {
    for (const std::string& advice : TuningAdvice(c)) {
      out += "  " + ChannelName(inputs, c.channel) + ": " + advice + "\n";
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

std::vector<std::string> FailingKeyLines(const AnalysisResult& result, const ReportInputs& inputs) {
  std::vector<std::string> lines;
  for (const ChannelResult& c : result.channels) {
    if (c.verdict == Verdict::Pass) {
      continue;
    }
    // The verdicts other than fail name themselves in their one reason.
    std::string line = ChannelName(inputs, c.channel) + ": " +
                       (c.verdict == Verdict::Fail ? std::string("fail: ") : std::string());
    const std::vector<std::string> why = VerdictReasons(c, result.options, inputs);
    for (size_t i = 0; i < why.size(); ++i) {
      line += (i == 0 ? "" : "; ") + why[i];
    }
    lines.push_back(line);
  }
  return lines;
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
      if (i > 0) {
        out += ',';
      }
      out += ReportColumns()[i].value(ch).value_or("");
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
  out += pairs.empty() ? "crosstalk: no pair above " + level + " and none that fires a key\n"
                       : "crosstalk above " + level + " or firing a key:\n" + pairs;
  const std::vector<std::string> failing = FailingKeyLines(result, inputs);
  if (failing.empty()) {
    out += "every key passes\n";
  } else {
    out += "keys that do not pass:\n";
    for (const std::string& line : failing) {
      out += "  " + line + "\n";
    }
  }
  const std::string advice = AdviceLines(result, inputs);
  if (!advice.empty()) {
    out += "advice:\n" + advice;
  }
  return out;
}

std::string FormatAnalysisJson(const AnalysisResult& result, const ReportInputs& inputs) {
  const AnalysisOptions& o = result.options;
  std::string out = "{\n  \"inputs\": {";
  out += "\"file\": " + JsonString(inputs.source);
  out += ", \"settings\": " + (inputs.settings.empty() ? "null" : JsonString(inputs.settings));
  out += ", \"from\": " + Integer(result.firstFrame) + ", \"to\": " + Integer(result.lastFrame);
  out += ", \"frame_ms\": " + FormatFixed(o.frameMs, 3) +
         ", \"frame_ms_from\": " + JsonString(FramePeriodSourceText(o.frameSource));
  out += ", \"guard_ms\": " + FormatFixed(o.guardMs, 1) +
         ", \"min_touch_ms\": " + FormatFixed(o.minTouchMs, 1);
  out += ", \"min_snr\": " + FormatFixed(o.minSnr, 2);
  out += ", \"rule\": " + JsonString(ThresholdRuleName(o.rule)) +
         ", \"rule_text\": " + JsonString(DescribeThresholdRule(o));
  out += ", \"threshold_at\": " + FormatFixed(o.thresholdAt, 3);
  out += ", \"crosstalk_flag_percent\": " + FormatFixed(o.crosstalkFlagPercent, 1);
  out += std::string(", \"value_width\": ") + (o.singleByteMode ? "\"single\"" : "\"double\"");
  out += "},\n  \"frames\": " + Integer(result.frames);
  out += ",\n  \"idle_frames\": " + Integer(result.idleFrames);
  out += std::string(",\n  \"key_bits\": ") + (result.keyBits ? "true" : "false");
  out += std::string(",\n  \"all_keys_pass\": ") + (result.AllKeysPass() ? "true" : "false");
  out += ",\n  \"channels\": [";
  for (size_t i = 0; i < result.channels.size(); ++i) {
    const ChannelResult& ch = result.channels[i];
    out += std::string(i == 0 ? "" : ",") + "\n    {";
    bool first = true;
    for (const auto* columns : {&ReportColumns(), &JsonExtraColumns()}) {
      for (const ReportColumn& c : *columns) {
        const ReportCell v = c.value(ch);
        out += std::string(first ? "" : ", ") + JsonString(c.name) + ": " + JsonValue(v, c.text);
        if (!c.text && v && (*v == "inf" || *v == "-inf")) {
          out += ", " + JsonString(std::string(c.name) + "_infinite") + ": true";
        }
        first = false;
      }
    }
    out += ", \"reasons\": " + JsonList(VerdictReasons(ch, o, inputs));
    out += ", \"advice\": " + JsonList(TuningAdvice(ch)) + "}";
  }
  out += "\n  ],\n  \"crosstalk\": {\n    \"channels\": [";
  for (size_t i = 0; i < result.channels.size(); ++i) {
    out += (i == 0 ? "" : ", ") + Integer(result.channels[i].channel);
  }
  out +=
      "],\n    \"note\": \"shift[i][j]: j's mean rise in raw counts while i alone is touched; "
      "percent: shift as a share of i's signal; fired: i's touches that set j's key bit\",\n";
  for (const int what : {0, 1, 2}) {
    out += std::string("    \"") +
           (what == 0   ? "shift"
            : what == 1 ? "percent"
                        : "fired") +
           "\": [";
    for (size_t i = 0; i < result.channels.size(); ++i) {
      out += std::string(i == 0 ? "" : ",") + "\n      [";
      for (size_t j = 0; j < result.channels.size(); ++j) {
        const CrosstalkCell& cell =
            result.crosstalk[result.channels[i].channel][result.channels[j].channel];
        ReportCell v;
        if (cell.measured && what == 0) {
          v = FormatFixed(cell.shift, 2);
        } else if (cell.measured && what == 1 && cell.percent) {
          v = FormatFixed(*cell.percent, 1);
        } else if (cell.measured && what == 2) {
          v = Integer(cell.fired);
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
               ", \"affected\": " + Integer(to.channel) + ", \"percent\": " +
               JsonValue(cell.percent ? ReportCell(FormatFixed(*cell.percent, 1)) : std::nullopt,
                         false) +
               ", \"fired\": " + Integer(cell.fired) + "}";
        first = false;
      }
    }
  }
  out += "]\n  }\n}\n";
  return out;
}

}  // namespace padscope
