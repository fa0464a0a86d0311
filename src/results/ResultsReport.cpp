#include "results/ResultsReport.h"

#include <algorithm>
#include <cstdio>

#include "analysis/ReportText.h"

namespace padscope {

namespace {

constexpr const char* kStats[] = {"min", "p5", "median", "max"};

double Stat(const FigureSpread& s, int i) {
  const double values[] = {s.min, s.p5, s.median, s.max};
  return values[i];
}

std::string Cell(const FigureSpread& s, int i) {
  return s.count == 0 ? "-" : FigureText(Stat(s, i));
}

std::string CpkText(const KeySummary& k) {
  return k.cpk ? FigureText(*k.cpk) : "-";
}

std::string WorstText(const KeySummary& k) {
  std::string out;
  for (const WorstUnit& w : k.worst) {
    out += (out.empty() ? "" : "; ") + ShowableText(w.serial) + " " +
           (w.snr ? FigureText(*w.snr) : w.verdict);
  }
  return out;
}

// Rows of cells as aligned columns: the first left, the others right.
std::string Table(const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (size_t i = 0; i < row.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      const std::string fill(widths[i] - DisplayWidth(row[i]), ' ');
      const bool left = i == 0 || i + 1 == row.size();
      line += (i == 0 ? "" : "  ") + (left ? row[i] + fill : fill + row[i]);
    }
    out += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
  }
  return out;
}

std::string YieldLine(const GroupSummary& g) {
  return std::to_string(g.units) + " units in " + std::to_string(g.runs) +
         " runs; first-pass yield " + Percent(g.firstPassed, g.units) + " (" +
         std::to_string(g.firstPassed) + "), final yield " + Percent(g.finalPassed, g.units) +
         " (" + std::to_string(g.finalPassed) + ")\n";
}

std::string KeyTables(const GroupSummary& g) {
  std::vector<std::vector<std::string>> keys = {
      {"key", "units", "pass", "SNR Cpk", "worst units (serial SNR)"}};
  std::vector<std::vector<std::string>> figures = {{"key", "figure", "min", "p5", "median", "max"}};
  for (const KeySummary& k : g.keys) {
    const std::string name = "CH" + std::to_string(k.channel);
    keys.push_back(
        {name, std::to_string(k.units), Percent(k.passed, k.units), CpkText(k), WorstText(k)});
    for (int f = 0; f < kFigures; ++f) {
      const FigureSpread& s = k.figures[static_cast<size_t>(f)];
      figures.push_back({f == 0 ? name : "", FigureTitle(static_cast<Figure>(f)), Cell(s, 0),
                         Cell(s, 1), Cell(s, 2), Cell(s, 3)});
    }
  }
  return Table(keys) + "\n" + Table(figures);
}

// Per key, each station's units, pass rate and SNR p5 and median side by side.
std::string StationTable(const ResultsReportInputs& in) {
  std::vector<std::vector<std::string>> rows(2);
  rows[0] = {"station"};
  rows[1] = {"yield"};
  std::vector<int> channels;
  for (const KeySummary& k : in.all.keys) {
    channels.push_back(k.channel);
  }
  for (const int channel : channels) {
    rows.push_back({"CH" + std::to_string(channel)});
  }
  for (const GroupSummary& g : in.stations) {
    rows[0].insert(rows[0].end(), {ShowableText(g.station), "", ""});
    rows[1].insert(rows[1].end(),
                   {std::to_string(g.units) + " units", "first " + Percent(g.firstPassed, g.units),
                    "final " + Percent(g.finalPassed, g.units)});
    for (size_t c = 0; c < channels.size(); ++c) {
      const auto k = std::find_if(g.keys.begin(), g.keys.end(),
                                  [&](const KeySummary& s) { return s.channel == channels[c]; });
      auto& row = rows[c + 2];
      if (k == g.keys.end()) {
        row.insert(row.end(), {"-", "", ""});
        continue;
      }
      const FigureSpread& snr = k->figures[0];
      row.insert(row.end(), {"pass " + Percent(k->passed, k->units), "SNR p5 " + Cell(snr, 1),
                             "median " + Cell(snr, 2)});
    }
  }
  for (auto& row : rows) {
    row.push_back("");
  }
  return Table(rows);
}

std::string Text(const ResultsReportInputs& in) {
  std::string out = "store: " + in.store + "\n" + in.filter + "\n";
  out += "minimum SNR " + FormatFixed(in.minSnr, 2) + "\n" + YieldLine(in.all) + "\n";
  out += KeyTables(in.all);
  if (in.stations.size() > 1) {
    out += "\nper station:\n" + StationTable(in);
  }
  return out;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) {
    return text;
  }
  std::string out = "\"";
  for (const char c : text) {
    out += c == '"' ? "\"\"" : std::string(1, c);
  }
  return out + "\"";
}

std::string Csv(const ResultsReportInputs& in) {
  std::string out = "station,key,units,passed,pass_rate,first_pass_yield,final_yield";
  for (int f = 0; f < kFigures; ++f) {
    for (const char* stat : kStats) {
      out += std::string(",") + FigureName(static_cast<Figure>(f)) + "_" + stat;
    }
  }
  out += ",snr_cpk,worst\n";
  std::vector<const GroupSummary*> groups = {&in.all};
  for (const GroupSummary& g : in.stations) {
    groups.push_back(&g);
  }
  for (const GroupSummary* g : groups) {
    const std::string station = g == &in.all ? "" : ShowableText(g->station);
    for (const KeySummary& k : g->keys) {
      out += CsvField(station) + "," + std::to_string(k.channel) + "," + std::to_string(k.units) +
             "," + std::to_string(k.passed) + "," +
             FormatFixed(k.units ? static_cast<double>(k.passed) / k.units : 0, 4) + "," +
             FormatFixed(g->units ? static_cast<double>(g->firstPassed) / g->units : 0, 4) + "," +
             FormatFixed(g->units ? static_cast<double>(g->finalPassed) / g->units : 0, 4);
      for (const FigureSpread& s : k.figures) {
        for (int i = 0; i < 4; ++i) {
          out += ',';
          out += s.count == 0 ? std::string() : FigureText(Stat(s, i));
        }
      }
      out += ',';
      out += k.cpk ? FigureText(*k.cpk) : std::string();
      out += ',';
      out += CsvField(WorstText(k));
      out += '\n';
    }
  }
  return out;
}

std::string JsonNumber(const std::optional<double>& v) {
  if (!v) {
    return "null";
  }
  const std::string text = FigureText(*v);
  return text == "inf" || text == "-inf" ? JsonString(text) : text;
}

std::string JsonGroup(const GroupSummary& g, const std::string& indent) {
  std::string out =
      "{\"station\": " + (g.station.empty() ? "null" : JsonString(ShowableText(g.station)));
  out += ", \"runs\": " + std::to_string(g.runs) + ", \"units\": " + std::to_string(g.units);
  out += ", \"first_passed\": " + std::to_string(g.firstPassed) +
         ", \"final_passed\": " + std::to_string(g.finalPassed) + ",\n" + indent + "\"keys\": [";
  for (size_t i = 0; i < g.keys.size(); ++i) {
    const KeySummary& k = g.keys[i];
    out += std::string(i == 0 ? "" : ",") + "\n" + indent +
           "  {\"key\": " + std::to_string(k.channel) + ", \"units\": " + std::to_string(k.units) +
           ", \"passed\": " + std::to_string(k.passed) + ", \"snr_cpk\": " + JsonNumber(k.cpk);
    for (int f = 0; f < kFigures; ++f) {
      const FigureSpread& s = k.figures[static_cast<size_t>(f)];
      out += std::string(", \"") + FigureName(static_cast<Figure>(f)) + "\": ";
      if (s.count == 0) {
        out += "null";
        continue;
      }
      out += "{\"count\": " + std::to_string(s.count);
      for (int j = 0; j < 4; ++j) {
        out += std::string(", \"") + kStats[j] + "\": " + JsonNumber(Stat(s, j));
      }
      out += "}";
    }
    out += ", \"worst\": [";
    for (size_t w = 0; w < k.worst.size(); ++w) {
      out += std::string(w == 0 ? "" : ", ") +
             "{\"serial\": " + JsonString(ShowableText(k.worst[w].serial)) +
             ", \"snr\": " + JsonNumber(k.worst[w].snr) +
             ", \"verdict\": " + JsonString(k.worst[w].verdict) +
             ", \"reason\": " + JsonString(k.worst[w].reason) + "}";
    }
    out += "]}";
  }
  return out + "\n" + indent + "]}";
}

std::string Json(const ResultsReportInputs& in) {
  std::string out = "{\n  \"store\": " + JsonString(in.store) +
                    ",\n  \"filter\": " + JsonString(in.filter) +
                    ",\n  \"min_snr\": " + FormatFixed(in.minSnr, 2) +
                    ",\n  \"all\": " + JsonGroup(in.all, "  ") + ",\n  \"stations\": [";
  for (size_t i = 0; i < in.stations.size(); ++i) {
    out += std::string(i == 0 ? "" : ",") + "\n    " + JsonGroup(in.stations[i], "    ");
  }
  return out + "\n  ]\n}\n";
}

}  // namespace

std::string ShowableText(std::string_view bytes) {
  std::string out;
  auto escape = [&out](unsigned char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
    out += buffer;
  };
  for (size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    size_t length = c < 0x80             ? 1
                    : (c & 0xE0) == 0xC0 ? 2
                    : (c & 0xF0) == 0xE0 ? 3
                    : (c & 0xF8) == 0xF0 ? 4
                                         : 0;
    bool valid = length > 0 && i + length <= bytes.size() && !(length == 2 && c < 0xC2);
    for (size_t j = 1; valid && j < length; ++j) {
      valid = (static_cast<unsigned char>(bytes[i + j]) & 0xC0) == 0x80;
    }
    if (!valid || (length == 1 && (c < 0x20 || c == 0x7F))) {
      escape(c);
      ++i;
    } else if (c == '\\') {
      out += "\\\\";
      ++i;
    } else {
      out.append(bytes.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string Percent(size_t part, size_t whole) {
  return whole == 0
             ? "-"
             : FormatFixed(100.0 * static_cast<double>(part) / static_cast<double>(whole), 1) +
                   " %";
}

std::string FigureText(double value) {
  return FormatFixed(value, 2);
}

std::string FormatResultsReport(const ResultsReportInputs& inputs, ReportFormat format) {
  switch (format) {
    case ReportFormat::Csv:
      return Csv(inputs);
    case ReportFormat::Json:
      return Json(inputs);
    case ReportFormat::Html:
      return FormatResultsHtml(inputs);
    case ReportFormat::Text:
      break;
  }
  return Text(inputs);
}

}  // namespace padscope
