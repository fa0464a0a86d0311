// The results report as one self-contained HTML page (no script, nothing
// fetched), in the analysis report's style: the yields, the key table, each
// figure's spread, an SNR histogram per key with the limit marked, and the
// stations side by side. Also well-formed XML.
#include <algorithm>

#include "analysis/ReportText.h"
#include "results/ResultsReport.h"

namespace padscope {

namespace {

constexpr char kStyle[] =
    "body{font-family:sans-serif;color:#111;background:#fff;margin:1.5em;max-width:80em}"
    "h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.5em}"
    "table{border-collapse:collapse;font-size:10pt}"
    "th,td{border:1px solid #999;padding:2px 6px;text-align:right}"
    "th{background:#eee}.l{text-align:left}.low{background:#f3aaaa}"
    ".plots{display:flex;flex-wrap:wrap}figure{margin:4px 8px;break-inside:avoid}"
    "figcaption{font-size:10pt}@media print{body{margin:0}h2{break-after:avoid}}";

constexpr int kWidth = 300;
constexpr int kHeight = 140;
constexpr int kLeft = 30;
constexpr int kRight = 8;
constexpr int kTop = 18;
constexpr int kBottom = 22;

std::string N(double v) {
  return FormatFixed(v, 1);
}

std::string HistogramSvg(const KeySummary& k, double limit) {
  const Histogram& h = k.histogram;
  const size_t peak = std::max<size_t>(1, *std::max_element(h.bins.begin(), h.bins.end()));
  const double inner = kWidth - kLeft - kRight;
  const double tall = kHeight - kTop - kBottom;
  auto x = [&](double v) { return kLeft + inner * (v - h.low) / (h.high - h.low); };
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kWidth) +
                    "\" height=\"" + std::to_string(kHeight) + "\" viewBox=\"0 0 " +
                    std::to_string(kWidth) + " " + std::to_string(kHeight) +
                    "\" font-family=\"sans-serif\" font-size=\"10\">";
  svg += "<rect x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kTop) + "\" width=\"" +
         N(inner) + "\" height=\"" + N(tall) + "\" fill=\"#fff\" stroke=\"#999\"/>";
  const double step = (h.high - h.low) / static_cast<double>(h.bins.size());
  for (size_t i = 0; i < h.bins.size(); ++i) {
    if (h.bins[i] == 0) {
      continue;
    }
    const double left = h.low + step * static_cast<double>(i);
    const double height = tall * static_cast<double>(h.bins[i]) / static_cast<double>(peak);
    const bool below = left + step <= limit;
    svg += "<rect x=\"" + N(x(left)) + "\" y=\"" + N(kTop + tall - height) + "\" width=\"" +
           N(std::max(1.0, x(left + step) - x(left) - 1)) + "\" height=\"" + N(height) +
           "\" fill=\"" + (below ? "#c62828" : "#1d4f91") + "\"/>";
  }
  svg += "<line x1=\"" + N(x(limit)) + "\" x2=\"" + N(x(limit)) + "\" y1=\"" +
         std::to_string(kTop - 4) + "\" y2=\"" + N(kTop + tall) +
         "\" style=\"stroke:#c62828;stroke-width:1.5;stroke-dasharray:4 2\"/>";
  svg += "<text x=\"" + N(x(limit)) + "\" y=\"" + std::to_string(kTop - 6) +
         "\" text-anchor=\"middle\" fill=\"#c62828\">min " + FormatFixed(limit, 2) + "</text>";
  svg += "<text x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kHeight - 6) + "\">" +
         FormatFixed(h.low, 1) + "</text>";
  svg += "<text x=\"" + std::to_string(kWidth - kRight) + "\" y=\"" + std::to_string(kHeight - 6) +
         "\" text-anchor=\"end\">" + FormatFixed(h.high, 1) + "</text>";
  svg += "<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" + std::to_string(kTop + 8) +
         "\" text-anchor=\"end\">" + std::to_string(peak) + "</text>";
  svg += "<text x=\"" + std::to_string(kLeft) + "\" y=\"11\" font-weight=\"bold\">CH" +
         std::to_string(k.channel) + " SNR</text></svg>";
  return svg;
}

std::string Td(const std::string& text, const char* cls = nullptr) {
  return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" +
         XmlEscape(text) + "</td>";
}

std::string Spread(const FigureSpread& s, int i) {
  const double v[] = {s.min, s.p5, s.median, s.max};
  return s.count == 0 ? "–" : FigureText(v[i]);
}

std::string KeyTable(const GroupSummary& g, double limit) {
  std::string out =
      "<table><tr><th class=\"l\">key</th><th>units</th><th>pass</th><th>SNR Cpk</th>";
  for (int f = 0; f < kFigures; ++f) {
    out += std::string("<th>") + FigureTitle(static_cast<Figure>(f)) +
           "<br/>min / p5 / median / max</th>";
  }
  out += "<th class=\"l\">worst units</th></tr>\n";
  for (const KeySummary& k : g.keys) {
    out += "<tr>" + Td("CH" + std::to_string(k.channel), "l") + Td(std::to_string(k.units)) +
           Td(Percent(k.passed, k.units)) + Td(k.cpk ? FigureText(*k.cpk) : "–");
    for (int f = 0; f < kFigures; ++f) {
      const FigureSpread& s = k.figures[static_cast<size_t>(f)];
      const bool low = f == 0 && s.count > 0 && s.p5 < limit;
      out += Td(Spread(s, 0) + " / " + Spread(s, 1) + " / " + Spread(s, 2) + " / " + Spread(s, 3),
                low ? "low" : nullptr);
    }
    std::string worst;
    for (const WorstUnit& w : k.worst) {
      worst += (worst.empty() ? "" : ", ") + ShowableText(w.serial) + " (" +
               (w.snr ? FigureText(*w.snr) : w.verdict) + ")";
    }
    out += Td(worst, "l") + "</tr>\n";
  }
  return out + "</table>\n";
}

std::string StationTable(const ResultsReportInputs& in) {
  std::string out =
      "<table><tr><th class=\"l\">station</th><th>units</th><th>runs</th>"
      "<th>first-pass yield</th><th>final yield</th>";
  for (const KeySummary& k : in.all.keys) {
    out += "<th>CH" + std::to_string(k.channel) + "<br/>pass / SNR median</th>";
  }
  out += "</tr>\n";
  for (const GroupSummary& g : in.stations) {
    out += "<tr>" + Td(ShowableText(g.station), "l") + Td(std::to_string(g.units)) +
           Td(std::to_string(g.runs)) + Td(Percent(g.firstPassed, g.units)) +
           Td(Percent(g.finalPassed, g.units));
    for (const KeySummary& all : in.all.keys) {
      const auto k = std::find_if(g.keys.begin(), g.keys.end(),
                                  [&](const KeySummary& s) { return s.channel == all.channel; });
      out += k == g.keys.end()
                 ? Td("–")
                 : Td(Percent(k->passed, k->units) + " / " + Spread(k->figures[0], 2));
    }
    out += "</tr>\n";
  }
  return out + "</table>\n";
}

}  // namespace

std::string FormatResultsHtml(const ResultsReportInputs& in) {
  const GroupSummary& g = in.all;
  std::string out =
      "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>"
      "<meta charset=\"utf-8\"/><title>Production results</title><style>" +
      std::string(kStyle) + "</style></head>\n<body>\n<h1>Production results</h1>\n";
  out += "<p>" + XmlEscape(in.store) + "<br/>" + XmlEscape(in.filter) + "</p>\n";
  out += "<p>" + std::to_string(g.units) + " units in " + std::to_string(g.runs) +
         " runs. First-pass yield " + Percent(g.firstPassed, g.units) + ", final yield " +
         Percent(g.finalPassed, g.units) + " (a serial tested again counts once, with its " +
         "latest run). A key passes at SNR " + FormatFixed(in.minSnr, 2) + " or more.</p>\n";
  out += "<h2>Keys</h2>\n" + KeyTable(g, in.minSnr);
  out +=
      "<p>Red: the 5th percentile of the SNR lies below the minimum. Cpk: the SNR's mean less "
      "the minimum, over three standard deviations.</p>\n";
  out +=
      "<h2>SNR per key</h2>\n<p>Units per SNR bin; dashed: the minimum SNR, bins below it "
      "red.</p>\n<div class=\"plots\">\n";
  for (const KeySummary& k : g.keys) {
    std::string caption = "CH" + std::to_string(k.channel) + ": " + std::to_string(k.units) +
                          " units, pass " + Percent(k.passed, k.units);
    if (k.histogram.infinite > 0) {
      caption += ", " + std::to_string(k.histogram.infinite) + " without noise (SNR inf)";
    }
    out += "<figure>" + HistogramSvg(k, in.minSnr) + "<figcaption>" + XmlEscape(caption) +
           "</figcaption></figure>\n";
  }
  out += "</div>\n";
  if (in.stations.size() > 1) {
    out += "<h2>Stations</h2>\n" + StationTable(in);
  }
  return out + "</body>\n</html>\n";
}

}  // namespace padscope
