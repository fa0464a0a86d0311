// The HTML report: one self-contained page (no script, nothing fetched) that
// reads well on screen and printed. It is also well-formed XML, so tools that
// expect XHTML can take it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/AnalysisReport.h"
#include "analysis/ReportText.h"

namespace padscope {

namespace {

constexpr char kStyle[] =
    "body{font-family:sans-serif;color:#111;background:#fff;margin:1.5em;max-width:72em}"
    "h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.5em}"
    "table{border-collapse:collapse;font-size:10pt}"
    "th,td{border:1px solid #999;padding:2px 6px;text-align:right}"
    "th{background:#eee}.l{text-align:left}"
    ".pass{background:#bfe8bf}.fail{background:#f3aaaa}.untouched{background:#dcdcdc}"
    ".nodata{background:#f3dd95}"
    ".plots{display:flex;flex-wrap:wrap}figure{margin:4px 8px;break-inside:avoid}"
    "figcaption{font-size:10pt}.flag{font-weight:bold;outline:2px solid #000}"
    "@media print{body{margin:0}h2{break-after:avoid}}";

// Plot geometry of one channel's picture.
constexpr int kPlotWidth = 460;
constexpr int kPlotHeight = 150;
constexpr int kLeft = 48;
constexpr int kRight = 8;
constexpr int kTop = 16;
constexpr int kBottom = 22;

std::string VerdictClass(Verdict v) {
  return v == Verdict::NoData ? "nodata" : VerdictName(v);
}

std::string Number(double v) {
  return FormatFixed(v, 1);
}

std::string Attribute(const char* name, double v) {
  return std::string(" ") + name + "=\"" + Number(v) + "\"";
}

// The value range a channel's plot shows: its values, idle band and thresholds.
struct Span {
  double low = 0;
  double high = 1;
  void Cover(double v, bool& any) {
    low = any ? std::min(low, v) : v;
    high = any ? std::max(high, v) : v;
    any = true;
  }
};

Span PlotSpan(const ChannelResult& c) {
  Span s;
  bool any = false;
  for (const PlotColumn& p : c.plot) {
    if (p.valid) {
      s.Cover(p.min, any);
      s.Cover(p.max, any);
    }
  }
  for (const auto& t : {c.threshold, c.recommendedThreshold}) {
    if (t) {
      s.Cover(*t, any);
    }
  }
  const double pad = std::max(1.0, (s.high - s.low) * 0.05);
  s.low -= pad;
  s.high += pad;
  return s;
}

class PlotFrame {
 public:
  PlotFrame(const Span& span, size_t columns)
      : span_(span), columns_(std::max<size_t>(columns, 1)) {}
  double X(size_t column) const {
    return kLeft + (kPlotWidth - kLeft - kRight) * static_cast<double>(column) /
                       static_cast<double>(columns_);
  }
  double Y(double v) const {
    const double inner = kPlotHeight - kTop - kBottom;
    return kTop + inner * (span_.high - v) / (span_.high - span_.low);
  }
  std::string HorizontalLine(double v, const char* style) const {
    return "<line x1=\"" + Number(X(0)) + "\" x2=\"" + Number(X(columns_)) + "\"" +
           Attribute("y1", Y(v)) + Attribute("y2", Y(v)) + " style=\"" + style + "\"/>";
  }

 private:
  Span span_;
  size_t columns_;
};

// Touched stretches as shaded rectangles behind the trace.
std::string TouchShading(const ChannelResult& c, const PlotFrame& f) {
  std::string out;
  for (size_t i = 0; i < c.plot.size();) {
    if (!c.plot[i].touched) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < c.plot.size() && c.plot[end].touched) {
      ++end;
    }
    out += "<rect" + Attribute("x", f.X(i)) + Attribute("y", kTop) +
           Attribute("width", f.X(end) - f.X(i)) +
           Attribute("height", kPlotHeight - kTop - kBottom) + " fill=\"#fbd9a8\"/>";
    i = end;
  }
  return out;
}

std::string Trace(const ChannelResult& c, const PlotFrame& f) {
  std::string d;
  for (size_t i = 0; i < c.plot.size(); ++i) {
    const PlotColumn& p = c.plot[i];
    if (p.valid) {
      // Half a pixel either way keeps a flat column visible.
      const double x = (f.X(i) + f.X(i + 1)) / 2;
      d += "M" + Number(x) + " " + Number(f.Y(p.max) - 0.5) + "V" + Number(f.Y(p.min) + 0.5);
    }
  }
  return d.empty() ? "" : "<path d=\"" + d + "\" stroke=\"#1d4f91\" stroke-width=\"1.2\"/>";
}

std::string Plot(const ChannelResult& c, const AnalysisResult& r, const ReportInputs& inputs) {
  const Span span = PlotSpan(c);
  const PlotFrame f(span, c.plot.size());
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    std::to_string(kPlotWidth) + "\" height=\"" + std::to_string(kPlotHeight) +
                    "\" viewBox=\"0 0 " + std::to_string(kPlotWidth) + " " +
                    std::to_string(kPlotHeight) + "\" font-family=\"sans-serif\" font-size=\"10\">";
  svg += "<rect" + Attribute("x", kLeft) + Attribute("y", kTop) +
         Attribute("width", kPlotWidth - kLeft - kRight) +
         Attribute("height", kPlotHeight - kTop - kBottom) + " fill=\"#fff\" stroke=\"#999\"/>";
  svg += TouchShading(c, f);
  if (c.HasIdle()) {
    const double top = f.Y(c.output.idle.max + 0.5);
    svg += "<rect" + Attribute("x", kLeft) + Attribute("y", top) +
           Attribute("width", kPlotWidth - kLeft - kRight) +
           Attribute("height", f.Y(c.output.idle.min - 0.5) - top) +
           " fill=\"#8fd18f\" fill-opacity=\"0.5\"/>";
  }
  svg += Trace(c, f);
  if (c.threshold) {
    svg += f.HorizontalLine(*c.threshold, "stroke:#c62828;stroke-width:1.5");
  }
  if (c.recommendedThreshold) {
    svg += f.HorizontalLine(*c.recommendedThreshold,
                            "stroke:#6a1b9a;stroke-width:1.2;stroke-dasharray:5 3");
  }
  // Axis texts: the value range at the left, the frame range below.
  svg += "<text x=\"" + std::to_string(kLeft - 4) + "\"" + Attribute("y", kTop + 8) +
         " text-anchor=\"end\">" + FormatFixed(span.high, 0) + "</text>";
  svg += "<text x=\"" + std::to_string(kLeft - 4) + "\"" + Attribute("y", kPlotHeight - kBottom) +
         " text-anchor=\"end\">" + FormatFixed(span.low, 0) + "</text>";
  svg += "<text x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kPlotHeight - 6) +
         "\">frame " + std::to_string(r.firstFrame) + "</text>";
  svg += "<text x=\"" + std::to_string(kPlotWidth - kRight) + "\" y=\"" +
         std::to_string(kPlotHeight - 6) + "\" text-anchor=\"end\">frame " +
         std::to_string(r.lastFrame) + "</text>";
  svg += "<text x=\"" + std::to_string(kLeft) + "\" y=\"11\" font-weight=\"bold\">" +
         XmlEscape(ChannelName(inputs, c.channel)) + " output</text></svg>";
  return svg;
}

std::string SummaryTable(const AnalysisResult& r, const ReportInputs& inputs) {
  std::string out = "<table><tr>";
  for (const ReportColumn& c : ReportColumns()) {
    out += "<th>" + XmlEscape(c.title) + "</th>";
  }
  out += "</tr>\n";
  for (const ChannelResult& ch : r.channels) {
    out += "<tr>";
    for (const ReportColumn& c : ReportColumns()) {
      if (&c == &ReportColumns().front()) {
        out += "<td class=\"l\">" + XmlEscape(ChannelName(inputs, ch.channel)) + "</td>";
      } else if (&c == &ReportColumns().back()) {
        out +=
            "<td class=\"l " + VerdictClass(ch.verdict) + "\">" + VerdictName(ch.verdict) + "</td>";
      } else {
        out += "<td>" + XmlEscape(c.value(ch).value_or("–")) + "</td>";
      }
    }
    out += "</tr>\n";
  }
  return out + "</table>\n";
}

// Cells from white (no shift) to red at twice the flag level.
std::string HeatColour(double percent, double flagLevel) {
  const double t = std::clamp(percent / std::max(1e-9, 2 * flagLevel), 0.0, 1.0);
  const int fade = static_cast<int>(std::lround(255 - 190 * t));
  return "rgb(255," + std::to_string(fade) + "," + std::to_string(fade) + ")";
}

std::string CrosstalkTable(const AnalysisResult& r, const ReportInputs& inputs) {
  std::string out = "<table><tr><th class=\"l\">touched \\ affected</th>";
  for (const ChannelResult& to : r.channels) {
    out += "<th>" + XmlEscape(ChannelName(inputs, to.channel)) + "</th>";
  }
  out += "</tr>\n";
  for (const ChannelResult& from : r.channels) {
    out += "<tr><th class=\"l\">" + XmlEscape(ChannelName(inputs, from.channel)) + "</th>";
    for (const ChannelResult& to : r.channels) {
      const CrosstalkCell& cell = r.crosstalk[from.channel][to.channel];
      if (from.channel == to.channel || !cell.measured || !cell.percent) {
        out += "<td>–</td>";
        continue;
      }
      out += "<td style=\"background:" + HeatColour(*cell.percent, r.options.crosstalkFlagPercent) +
             "\"" + (cell.flagged ? " class=\"flag\"" : "") + ">" + FormatFixed(*cell.percent, 1) +
             " %</td>";
    }
    out += "</tr>\n";
  }
  return out + "</table>\n";
}

// What a plot's caption adds to the verdict.
std::string VerdictReason(const ChannelResult& c) {
  if (c.HasIdle() && c.HasTouch()) {
    return ", SNR " + FormatFixed(c.snr, 2);
  }
  if (c.verdict != Verdict::NoData) {
    return "";
  }
  return c.HasIdle() ? " (" + std::to_string(c.touches) + " touches, none held through the guard)"
                     : " (no idle frame)";
}

std::string Verdicts(const AnalysisResult& r) {
  int counts[4] = {};
  for (const ChannelResult& c : r.channels) {
    ++counts[static_cast<int>(c.verdict)];
  }
  return std::string(r.TouchedChannelsPass() ? "Every touched key passes"
                                             : "Not every touched key passes") +
         ": " + std::to_string(counts[0]) + " pass, " + std::to_string(counts[1]) + " fail, " +
         std::to_string(counts[2]) + " untouched, " + std::to_string(counts[3]) + " no data.";
}

}  // namespace

std::string FormatAnalysisHtml(const AnalysisResult& result, const ReportInputs& inputs) {
  std::string out =
      "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>"
      "<meta charset=\"utf-8\"/><title>Tuning report: " +
      XmlEscape(inputs.source) + "</title><style>" + kStyle + "</style></head>\n<body>\n";
  out += "<h1>Tuning report: " + XmlEscape(inputs.source) + "</h1>\n<p>" +
         XmlEscape(Verdicts(result)) + "</p>\n";
  out += "<h2>Keys</h2>\n" + SummaryTable(result, inputs);
  out +=
      "<p>Output values (the chip's key values). Noise is the idle peak to peak, signal the "
      "touched mean less the idle mean, SNR signal over noise; a key passes at SNR " +
      FormatFixed(result.options.minSnr, 2) +
      " or more. Margins: threshold less idle maximum (false touch) and touched minimum less "
      "threshold (detection).</p>\n";
  out +=
      "<h2>Output over the range</h2>\n<p>Green band: idle minimum to maximum; shaded: key "
      "bit set; red line: current threshold; dashed: recommended threshold.</p>\n"
      "<div class=\"plots\">\n";
  for (const ChannelResult& c : result.channels) {
    out += "<figure>" + Plot(c, result, inputs) + "<figcaption>" +
           XmlEscape(ChannelName(inputs, c.channel)) + ": " + VerdictName(c.verdict) +
           XmlEscape(VerdictReason(c)) + "</figcaption></figure>\n";
  }
  out +=
      "</div>\n<h2>Crosstalk</h2>\n<p>Shift of the affected key's output while only the "
      "touched key is touched, as a share of the touched key's signal; outlined above " +
      FormatFixed(result.options.crosstalkFlagPercent, 1) + " %.</p>\n" +
      CrosstalkTable(result, inputs);
  out += "<h2>Inputs</h2>\n<pre>" + XmlEscape(DescribeInputs(result, inputs)) + "</pre>\n";
  return out + "</body>\n</html>\n";
}

}  // namespace padscope
