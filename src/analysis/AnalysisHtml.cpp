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
    ".nodata{background:#f3dd95}.stuck,.dead{background:#e0a0e0}.why{min-width:18em}"
    ".plots{display:flex;flex-wrap:wrap}figure{margin:4px 8px;break-inside:avoid}"
    "figcaption{font-size:10pt}.flag{font-weight:bold;outline:2px solid #000}"
    "@media print{body{margin:0}h2{break-after:avoid}}";

// Plot geometry of one channel's picture.
constexpr int kPlotWidth = 460;
constexpr int kPlotHeight = 172;
constexpr int kLeft = 48;
constexpr int kRight = 8;
constexpr int kTop = 16;
constexpr int kBottom = 22;
constexpr int kStrip = 12;  // the chip's key bit under the plot
constexpr int kStripGap = 4;
constexpr int kInnerBottom = kPlotHeight - kBottom - kStrip - kStripGap;

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
    const double inner = kInnerBottom - kTop;
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

// Runs of columns where `has` holds, as rectangles from y to y + height.
template <typename Has>
std::string Runs(const ChannelResult& c, const PlotFrame& f, Has has, double y, double height,
                 const char* fill) {
  std::string out;
  for (size_t i = 0; i < c.plot.size();) {
    if (!has(c.plot[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < c.plot.size() && has(c.plot[end])) {
      ++end;
    }
    out += "<rect" + Attribute("x", f.X(i)) + Attribute("y", y) +
           Attribute("width", std::max(1.0, f.X(end) - f.X(i))) + Attribute("height", height) +
           " fill=\"" + fill + "\"/>";
    i = end;
  }
  return out;
}

// The signal's touches shaded behind the trace, a neighbour's crosstalk in
// another shade.
std::string TouchShading(const ChannelResult& c, const PlotFrame& f) {
  const double height = kInnerBottom - kTop;
  return Runs(
             c, f, [](const PlotColumn& p) { return p.crosstalk && !p.touched; }, kTop, height,
             "#e1d5f0") +
         Runs(
             c, f, [](const PlotColumn& p) { return p.touched; }, kTop, height, "#fbd9a8");
}

// The chip's key bit as a strip under the plot: blue where it is set, red
// where the signal shows a touch it did not report, orange where it is set
// without a touch.
std::string BitStrip(const ChannelResult& c, const PlotFrame& f) {
  const double y = kInnerBottom + kStripGap;
  std::string out = "<rect" + Attribute("x", kLeft) + Attribute("y", y) +
                    Attribute("width", kPlotWidth - kLeft - kRight) + Attribute("height", kStrip) +
                    " fill=\"#eeeeee\"/>";
  out += Runs(
      c, f, [](const PlotColumn& p) { return p.bit; }, y, kStrip, "#1d4f91");
  out += Runs(
      c, f, [](const PlotColumn& p) { return p.missed && !p.bit; }, y, kStrip, "#d32f2f");
  out += Runs(
      c, f, [](const PlotColumn& p) { return p.falseTouch; }, y, kStrip, "#ef8c00");
  return out + "<text" + Attribute("x", kLeft - 4) + Attribute("y", y + kStrip - 2) +
         " text-anchor=\"end\">bit</text>";
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
         Attribute("height", kInnerBottom - kTop) + " fill=\"#fff\" stroke=\"#999\"/>";
  svg += TouchShading(c, f);
  if (c.HasIdle()) {
    const double top = f.Y(c.idleMax + 0.5);
    svg += "<rect" + Attribute("x", kLeft) + Attribute("y", top) +
           Attribute("width", kPlotWidth - kLeft - kRight) +
           Attribute("height", f.Y(c.idleMin - 0.5) - top) +
           " fill=\"#8fd18f\" fill-opacity=\"0.5\"/>";
  }
  svg += Trace(c, f);
  svg += BitStrip(c, f);
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
  svg += "<text x=\"" + std::to_string(kLeft - 4) + "\"" + Attribute("y", kInnerBottom) +
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

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) {
    out += (out.empty() ? "" : "; ") + p;
  }
  return out;
}

std::string SummaryTable(const AnalysisResult& r, const ReportInputs& inputs) {
  std::string out = "<table><tr>";
  for (const ReportColumn& c : ReportColumns()) {
    out += "<th>" + XmlEscape(c.title) + "</th>";
  }
  out += "<th class=\"l\">why</th></tr>\n";
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
    out += "<td class=\"l why\">" + XmlEscape(Joined(VerdictReasons(ch, r.options, inputs))) +
           "</td></tr>\n";
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
             " %" + (cell.fired > 0 ? " (fires " + std::to_string(cell.fired) + ")" : "") + "</td>";
    }
    out += "</tr>\n";
  }
  return out + "</table>\n";
}

// What a plot's caption adds to the verdict.
std::string VerdictReason(const ChannelResult& c, const AnalysisResult& r,
                          const ReportInputs& inputs) {
  std::string out;
  if (c.Measured()) {
    out += ", SNR " + FormatFixed(c.snr, 2) + " (output " + FormatFixed(c.outputSnr, 2) + ")";
  }
  out += ", " + std::to_string(c.touches) + " touches, " + std::to_string(c.missed) + " missed, " +
         std::to_string(c.falseTouches) + " false";
  const std::string why = Joined(VerdictReasons(c, r.options, inputs));
  return why.empty() ? out : out + ": " + why;
}

std::string Verdicts(const AnalysisResult& r) {
  int counts[6] = {};
  for (const ChannelResult& c : r.channels) {
    ++counts[static_cast<int>(c.verdict)];
  }
  std::string out = std::string(r.AllKeysPass() ? "Every key passes" : "Not every key passes") +
                    ": " + std::to_string(counts[0]) + " pass, " + std::to_string(counts[1]) +
                    " fail, " + std::to_string(counts[2]) + " untouched, " +
                    std::to_string(counts[3]) + " no data, " + std::to_string(counts[4]) +
                    " stuck, " + std::to_string(counts[5]) + " dead.";
  return r.keyBits ? out : out + " The chip set no key bit in this range.";
}

std::string AdviceList(const AnalysisResult& r, const ReportInputs& inputs) {
  std::string out;
  for (const ChannelResult& c : r.channels) {
    for (const std::string& a : TuningAdvice(c)) {
      out += "<li>" + XmlEscape(ChannelName(inputs, c.channel) + ": " + a) + "</li>";
    }
  }
  return out.empty() ? "" : "<h2>Advice</h2>\n<ul>" + out + "</ul>\n";
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
      "<p>Touches are found in each key's raw counts, not taken from the chip's key bits. Raw "
      "noise is the idle peak to peak around the tracked baseline, raw signal the touches' "
      "mean rise above it; SNR is raw signal over raw noise, and a key passes at SNR " +
      FormatFixed(result.options.minSnr, 2) +
      " or more when the chip reported every touch, set no bit without one and both margins "
      "hold. Noise, signal and output SNR are the same on the chip's output values. Margins: "
      "threshold less idle maximum (false touch) and touched minimum less threshold "
      "(detection).</p>\n";
  out +=
      "<h2>Output over the range</h2>\n<p>Green band: idle minimum to maximum; shaded: touches "
      "in the signal (violet: a neighbour's crosstalk); red line: current threshold; dashed: "
      "recommended threshold. Strip below: the chip's key bit (blue), touches it missed (red), "
      "bits without a touch (orange).</p>\n<div class=\"plots\">\n";
  for (const ChannelResult& c : result.channels) {
    out += "<figure>" + Plot(c, result, inputs) + "<figcaption>" +
           XmlEscape(ChannelName(inputs, c.channel)) + ": " + VerdictName(c.verdict) +
           XmlEscape(VerdictReason(c, result, inputs)) + "</figcaption></figure>\n";
  }
  out +=
      "</div>\n<h2>Crosstalk</h2>\n<p>Rise of the affected key's raw count while the touched "
      "key alone is touched, as a share of the touched key's signal; outlined above " +
      FormatFixed(result.options.crosstalkFlagPercent, 1) +
      " % or where it fires the affected key's bit.</p>\n" + CrosstalkTable(result, inputs);
  out += AdviceList(result, inputs);
  out += "<h2>Inputs</h2>\n<pre>" + XmlEscape(DescribeInputs(result, inputs)) + "</pre>\n";
  return out + "</body>\n</html>\n";
}

}  // namespace padscope
