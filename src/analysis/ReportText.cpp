#include "analysis/ReportText.h"

#include <cstdio>

namespace padscope {

namespace {

using Cell = ReportCell;

std::string Integer(int64_t v) {
  return std::to_string(v);
}

Cell OptionalInteger(const std::optional<int64_t>& v) {
  return v ? Cell(Integer(*v)) : std::nullopt;
}

bool Measured(const ChannelResult& c) {
  return c.HasIdle() && c.HasTouch();
}

}  // namespace

const std::vector<ReportColumn>& ReportColumns() {
  static const std::vector<ReportColumn> columns = {
      {"channel", "ch", "key", [](const ChannelResult& c) -> Cell { return Integer(c.channel); }},
      {"idle_mean", "idle", "idle mean",
       [](const ChannelResult& c) -> Cell {
         return c.HasIdle() ? Cell(FormatFixed(c.output.idle.Mean(), 2)) : std::nullopt;
       }},
      {"noise", "noise", "noise (peak to peak)",
       [](const ChannelResult& c) -> Cell {
         return c.HasIdle() ? Cell(Integer(c.output.Noise())) : std::nullopt;
       }},
      {"signal", "signal", "signal",
       [](const ChannelResult& c) -> Cell {
         return Measured(c) ? Cell(FormatFixed(c.output.Signal(), 2)) : std::nullopt;
       }},
      {"snr", "SNR", "SNR",
       [](const ChannelResult& c) -> Cell {
         return Measured(c) ? Cell(FormatFixed(c.snr, 2)) : std::nullopt;
       }},
      {"recommended_threshold", "rec thr", "recommended threshold",
       [](const ChannelResult& c) -> Cell {
         return c.recommendedThreshold ? Cell(Integer(*c.recommendedThreshold)) : std::nullopt;
       }},
      {"threshold", "thr", "threshold",
       [](const ChannelResult& c) -> Cell {
         return c.threshold ? Cell(Integer(*c.threshold)) : std::nullopt;
       }},
      {"false_touch_margin", "false mgn", "false-touch margin",
       [](const ChannelResult& c) { return OptionalInteger(c.falseTouchMargin); }},
      {"detection_margin", "detect mgn", "detection margin",
       [](const ChannelResult& c) { return OptionalInteger(c.detectionMargin); }},
      {"raw_baseline", "raw base", "raw baseline",
       [](const ChannelResult& c) -> Cell {
         return c.HasIdle() ? Cell(FormatFixed(c.raw.idle.Mean(), 2)) : std::nullopt;
       }},
      {"raw_noise", "raw noise", "raw noise",
       [](const ChannelResult& c) -> Cell {
         return c.HasIdle() ? Cell(Integer(c.raw.Noise())) : std::nullopt;
       }},
      {"raw_signal", "raw sig", "raw signal",
       [](const ChannelResult& c) -> Cell {
         return Measured(c) ? Cell(FormatFixed(c.raw.Signal(), 2)) : std::nullopt;
       }},
      {"touches", "touches", "touches",
       [](const ChannelResult& c) -> Cell { return Integer(c.touches); }},
      {"verdict", "verdict", "verdict",
       [](const ChannelResult& c) -> Cell { return VerdictName(c.verdict); }},
  };
  return columns;
}

const std::vector<ReportColumn>& JsonExtraColumns() {
  static const std::vector<ReportColumn> extras = {
      {"idle_frames", "", "",
       [](const ChannelResult& c) -> Cell { return Integer(c.output.idle.count); }},
      {"touched_frames", "", "",
       [](const ChannelResult& c) -> Cell { return Integer(c.output.touched.count); }},
      {"idle_min", "", "",
       [](const ChannelResult& c) -> Cell {
         return c.HasIdle() ? Cell(Integer(c.output.idle.min)) : std::nullopt;
       }},
      {"idle_max", "", "",
       [](const ChannelResult& c) -> Cell {
         return c.HasIdle() ? Cell(Integer(c.output.idle.max)) : std::nullopt;
       }},
      {"idle_stddev", "", "",
       [](const ChannelResult& c) -> Cell {
         return c.HasIdle() ? Cell(FormatFixed(c.output.idle.StdDev(), 3)) : std::nullopt;
       }},
      {"touched_mean", "", "",
       [](const ChannelResult& c) -> Cell {
         return c.HasTouch() ? Cell(FormatFixed(c.output.touched.Mean(), 2)) : std::nullopt;
       }},
      {"touched_min", "", "",
       [](const ChannelResult& c) -> Cell {
         return c.HasTouch() ? Cell(Integer(c.output.touched.min)) : std::nullopt;
       }},
  };
  return extras;
}

size_t DisplayWidth(std::string_view text) {
  size_t n = 0;
  for (const char c : text) {
    n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }
  return n;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string XmlEscape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control characters other than tab and line ends are not allowed in XML.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
          out += c;
        }
    }
  }
  return out;
}

std::string DescribeInputs(const AnalysisResult& result, const ReportInputs& inputs) {
  const AnalysisOptions& o = result.options;
  std::string out = "source: " + inputs.source + "\n";
  out += "frames " + std::to_string(result.firstFrame) + " to " + std::to_string(result.lastFrame) +
         ": " + std::to_string(result.frames) + " decoded, " + std::to_string(result.idleFrames) +
         " idle; " + (o.singleByteMode ? "single-byte" : "double-byte") + " values\n";
  out += "guard " + std::to_string(o.guard) + " frames, minimum SNR " + FormatFixed(o.minSnr, 2) +
         ", threshold at " + FormatFixed(o.thresholdAt, 2) + ", crosstalk flagged above " +
         FormatFixed(o.crosstalkFlagPercent, 1) + " %\n";
  out += "thresholds: " + (inputs.settings.empty() ? std::string("not given") : inputs.settings) +
         "\n";
  return out;
}

}  // namespace padscope
