#include "analysis/ReportText.h"

#include <cmath>
#include <cstdio>

#include "analysis/ThresholdRules.h"

namespace padscope {

namespace {

using Cell = ReportCell;

std::string Integer(int64_t v) {
  return std::to_string(v);
}

Cell OptionalInteger(const std::optional<int64_t>& v) {
  return v ? Cell(Integer(*v)) : std::nullopt;
}

Cell OptionalInt32(const std::optional<int32_t>& v) {
  return v ? Cell(Integer(*v)) : std::nullopt;
}

Cell IfIdle(const ChannelResult& c, double v, int decimals) {
  return c.HasIdle() ? Cell(FormatFixed(v, decimals)) : std::nullopt;
}

Cell IfTouched(const ChannelResult& c, double v, int decimals) {
  return c.HasTouch() ? Cell(FormatFixed(v, decimals)) : std::nullopt;
}

Cell IfMeasured(const ChannelResult& c, double v, int decimals) {
  return c.Measured() ? Cell(FormatFixed(v, decimals)) : std::nullopt;
}

const char* PolarityName(Polarity p) {
  return p == Polarity::Up ? "up" : p == Polarity::Down ? "down" : "unknown";
}

std::string Ms(double ms) {
  return FormatFixed(ms, ms < 10 ? 1 : 0) + " ms";
}

}  // namespace

const std::vector<ReportColumn>& ReportColumns() {
  static const std::vector<ReportColumn> columns = {
      {"channel", "ch", "key", [](const ChannelResult& c) -> Cell { return Integer(c.channel); }},
      {"raw_baseline", "raw base", "raw baseline",
       [](const ChannelResult& c) { return IfIdle(c, c.rawBaseline, 2); }},
      {"raw_noise", "raw noise", "raw noise (peak to peak)",
       [](const ChannelResult& c) { return IfIdle(c, c.rawNoise, 2); }},
      {"drift", "drift", "drift", [](const ChannelResult& c) { return IfIdle(c, c.driftSpan, 1); }},
      {"drift_per_min", "drift/min", "drift per minute",
       [](const ChannelResult& c) { return IfIdle(c, c.driftPerMinute, 1); }},
      {"raw_signal", "raw sig", "raw signal",
       [](const ChannelResult& c) { return IfTouched(c, c.rawSignal, 2); }},
      {"raw_weakest", "weakest", "weakest touch",
       [](const ChannelResult& c) { return IfTouched(c, c.rawWeakest, 2); }},
      {"snr", "SNR", "SNR", [](const ChannelResult& c) { return IfMeasured(c, c.snr, 2); }},
      {"idle_mean", "idle", "idle mean (output)",
       [](const ChannelResult& c) { return IfIdle(c, c.idleMean, 2); }},
      {"noise", "noise", "noise (output)",
       [](const ChannelResult& c) { return IfIdle(c, c.outputNoise, 2); }},
      {"signal", "signal", "signal (output)",
       [](const ChannelResult& c) { return IfMeasured(c, c.outputSignal, 2); }},
      {"output_snr", "out SNR", "output SNR",
       [](const ChannelResult& c) { return IfMeasured(c, c.outputSnr, 2); }},
      {"recommended_threshold", "rec thr", "recommended threshold",
       [](const ChannelResult& c) { return OptionalInt32(c.recommendedThreshold); }},
      {"threshold", "thr", "threshold",
       [](const ChannelResult& c) { return OptionalInt32(c.threshold); }},
      {"false_touch_margin", "false mgn", "false-touch margin",
       [](const ChannelResult& c) { return OptionalInteger(c.falseTouchMargin); }},
      {"detection_margin", "detect mgn", "detection margin",
       [](const ChannelResult& c) { return OptionalInteger(c.detectionMargin); }},
      {"touches", "touches", "touches",
       [](const ChannelResult& c) -> Cell { return Integer(c.touches); }},
      {"missed", "missed", "missed by the chip",
       [](const ChannelResult& c) -> Cell { return Integer(c.missed); }},
      {"false_touches", "false", "false touches",
       [](const ChannelResult& c) -> Cell { return Integer(c.falseTouches); }},
      {"chatter", "chatter", "chatter",
       [](const ChannelResult& c) -> Cell { return Integer(c.chatter); }},
      {"delay_ms", "delay", "delay to the bit (ms)",
       [](const ChannelResult& c) -> Cell {
         return c.delayMs ? Cell(FormatFixed(*c.delayMs, 1)) : std::nullopt;
       }},
      {"verdict", "verdict", "verdict",
       [](const ChannelResult& c) -> Cell { return VerdictName(c.verdict); }, true},
  };
  return columns;
}

const std::vector<ReportColumn>& JsonExtraColumns() {
  static const std::vector<ReportColumn> extras = {
      {"polarity", "", "", [](const ChannelResult& c) -> Cell { return PolarityName(c.polarity); },
       true},
      {"idle_frames", "", "", [](const ChannelResult& c) -> Cell { return Integer(c.idleFrames); }},
      {"touched_frames", "", "",
       [](const ChannelResult& c) -> Cell { return Integer(c.touchedFrames); }},
      {"idle_min", "", "",
       [](const ChannelResult& c) -> Cell {
         return c.HasIdle() ? Cell(Integer(c.idleMin)) : std::nullopt;
       }},
      {"idle_max", "", "",
       [](const ChannelResult& c) -> Cell {
         return c.HasIdle() ? Cell(Integer(c.idleMax)) : std::nullopt;
       }},
      {"touched_mean", "", "",
       [](const ChannelResult& c) { return IfTouched(c, c.touchedMean, 2); }},
      {"touched_min", "", "",
       [](const ChannelResult& c) -> Cell {
         return c.HasTouch() ? Cell(Integer(c.touchedMin)) : std::nullopt;
       }},
      {"weakest_mean", "", "",
       [](const ChannelResult& c) { return IfTouched(c, c.weakestMean, 2); }},
      {"hysteresis", "", "", [](const ChannelResult& c) { return OptionalInt32(c.hysteresis); }},
      {"noise_threshold", "", "",
       [](const ChannelResult& c) { return OptionalInt32(c.noiseThreshold); }},
      {"reported", "", "", [](const ChannelResult& c) -> Cell { return Integer(c.reported); }},
      {"restarts", "", "", [](const ChannelResult& c) -> Cell { return Integer(c.restarts); }},
      {"spikes", "", "", [](const ChannelResult& c) -> Cell { return Integer(c.spikes); }},
      {"longest_dropout_ms", "", "",
       [](const ChannelResult& c) -> Cell { return FormatFixed(c.longestDropoutMs, 1); }},
      {"longest_false_ms", "", "",
       [](const ChannelResult& c) -> Cell { return FormatFixed(c.longestFalseMs, 1); }},
      {"bit_frames", "", "", [](const ChannelResult& c) -> Cell { return Integer(c.bitFrames); }},
      {"crosstalk_from", "", "",
       [](const ChannelResult& c) -> Cell {
         return c.crosstalkFrom >= 0 ? Cell(Integer(c.crosstalkFrom)) : std::nullopt;
       }},
  };
  return extras;
}

const ReportColumn* ReportColumnNamed(std::string_view name) {
  for (const auto* list : {&ReportColumns(), &JsonExtraColumns()}) {
    for (const ReportColumn& c : *list) {
      if (name == c.name) {
        return &c;
      }
    }
  }
  return nullptr;
}

std::vector<std::string> VerdictReasons(const ChannelResult& c, const AnalysisOptions& options,
                                        const ReportInputs& inputs) {
  switch (c.verdict) {
    case Verdict::Pass:
      return {};
    case Verdict::Dead:
      return {"dead: its values never move"};
    case Verdict::Stuck:
      return {"stuck: touched for the whole range"};
    case Verdict::NoData:
      return {"no data: no idle frame"};
    case Verdict::Untouched:
      return {"untouched: no touch in its signal"};
    case Verdict::Fail:
      break;
  }
  std::vector<std::string> out;
  if (c.reasons & kReasonLowSnr) {
    out.push_back("SNR " + FormatFixed(c.snr, 2) + " below " + FormatFixed(options.minSnr, 2));
  }
  if (c.reasons & kReasonMissed) {
    out.push_back("the chip missed " + std::to_string(c.missed) + " of " +
                  std::to_string(c.touches) + " touches");
  }
  if (c.reasons & kReasonFalseTouches) {
    std::string text =
        std::to_string(c.falseTouches) + " false touch" + (c.falseTouches == 1 ? "" : "es");
    if (c.reasons & kReasonCrosstalk) {
      text += " (crosstalk from " + ChannelName(inputs, c.crosstalkFrom) + " fires its bit)";
    }
    out.push_back(text);
  }
  if (c.reasons & kReasonDetectionMargin) {
    out.push_back("threshold " + std::to_string(*c.threshold) +
                  " above its touches (detection margin " + std::to_string(*c.detectionMargin) +
                  ")");
  }
  if (c.reasons & kReasonFalseTouchMargin) {
    out.push_back("threshold " + std::to_string(*c.threshold) +
                  " inside the idle band (false-touch margin " +
                  std::to_string(*c.falseTouchMargin) + ")");
  }
  return out;
}

std::vector<std::string> TuningAdvice(const ChannelResult& c) {
  std::vector<std::string> out;
  if (c.chatter > 0) {
    out.push_back("the bit drops out " + std::to_string(c.chatter) +
                  " times within touches: a hysteresis of at least " +
                  std::to_string(c.touchedSpan / 2 + 1) + " counts, or a debounce longer than " +
                  Ms(c.longestDropoutMs));
  }
  if (c.falseTouches > 0 && c.longestFalseMs > 0 && c.crosstalkFrom < 0) {
    out.push_back("false touches last up to " + Ms(c.longestFalseMs) +
                  ": a debounce longer than that ignores them");
  }
  if (c.HasIdle() && c.threshold && c.falseTouchMargin && *c.falseTouchMargin >= 0 &&
      *c.falseTouchMargin < std::ceil(c.outputNoise / 2)) {
    out.push_back("the threshold clears the idle values by less than half their noise");
  }
  return out;
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
         " idle on every key; " + (o.singleByteMode ? "single-byte" : "double-byte") + " values" +
         (result.keyBits ? "" : "; the chip set no key bit") + "\n";
  out += "frame period " + FormatFixed(o.frameMs, 2) + " ms (" +
         FramePeriodSourceText(o.frameSource) + "), guard " + FormatFixed(o.guardMs, 0) +
         " ms, minimum touch " + FormatFixed(o.minTouchMs, 0) + " ms\n";
  out += "minimum SNR " + FormatFixed(o.minSnr, 2) + " (raw counts), crosstalk flagged above " +
         FormatFixed(o.crosstalkFlagPercent, 1) + " % or where it fires a key\n";
  out += "threshold rule " + DescribeThresholdRule(o) + "\n";
  out += "keys: " +
         (inputs.keys.empty() ? std::string("every channel the frames carry") : inputs.keys) + "\n";
  out += "thresholds: " + (inputs.settings.empty() ? std::string("not given") : inputs.settings) +
         "\n";
  return out;
}

}  // namespace padscope
