#include "results/JunitReport.h"

#include <ctime>

#include "analysis/AnalysisReport.h"
#include "analysis/ReportText.h"
#include "results/ResultsReport.h"

namespace padscope {

namespace {

std::string Attr(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + XmlEscape(ShowableText(value)) + "\"";
}

std::string Property(const std::string& name, const std::string& value) {
  return "<property" + Attr("name", name) + Attr("value", value) + "/>";
}

std::string IsoTime(int64_t ms) {
  const std::time_t t = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
#if defined(_WIN32)
  gmtime_s(&tm, &t);
#else
  gmtime_r(&t, &tm);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
  return text;
}

std::string Figures(const KeyRecord& k) {
  std::string out;
  for (const KeyFigure& f : k.figures) {
    out += f.name + " = " + f.value.value_or("-") + "\n";
  }
  return out;
}

}  // namespace

std::string FormatJunit(const UnitRecord& u) {
  int failures = 0;
  int skipped = 0;
  for (const KeyRecord& k : u.keys) {
    failures += k.verdict != "pass" && k.verdict != "untouched";
    skipped += k.verdict == "untouched";
  }
  const bool error = u.verdict == "error";
  const std::string seconds = FormatFixed(static_cast<double>(u.endMs - u.startMs) / 1000.0, 3);
  const std::string suite = "padscope " + u.kind + (u.serial.empty() ? "" : " " + u.serial);
  const std::string tests = std::to_string(error ? 1 : u.keys.size());
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" +
                    Attr("name", suite) + Attr("tests", tests) +
                    Attr("failures", std::to_string(failures)) + Attr("errors", error ? "1" : "0") +
                    Attr("time", seconds) + ">\n";
  out += "  <testsuite" + Attr("name", suite) + Attr("tests", tests) +
         Attr("failures", std::to_string(failures)) + Attr("errors", error ? "1" : "0") +
         Attr("skipped", std::to_string(skipped)) + Attr("time", seconds) +
         Attr("timestamp", IsoTime(u.startMs)) + Attr("hostname", u.station) + ">\n";
  out += "    <properties>";
  for (const auto& [name, value] : {std::pair<std::string, std::string>{"serial", u.serial},
                                    {"lot", u.lot},
                                    {"station", u.station},
                                    {"run_id", u.runId},
                                    {"verdict", u.verdict},
                                    {"rule", u.rule},
                                    {"options", u.options},
                                    {"recording", u.recordingPath},
                                    {"recording_sha256", u.recordingSha256},
                                    {"settings_sha256", u.settingsSha256},
                                    {"program_version", u.programVersion}}) {
    out += "\n      " + Property(name, value);
  }
  out += "\n    </properties>\n";
  const std::string classname = "padscope." + u.kind;
  if (error) {
    out += "    <testcase" + Attr("classname", classname) + Attr("name", "analysis") +
           Attr("time", seconds) + ">\n      <error" +
           Attr("message", "no decoded frame to analyse") + Attr("type", "error") +
           "/>\n    </testcase>\n";
  }
  for (const KeyRecord& k : u.keys) {
    out += "    <testcase" + Attr("classname", classname) +
           Attr("name", "CH" + std::to_string(k.channel)) + Attr("time", "0") + ">\n";
    out += "      <properties>";
    for (const KeyFigure& f : k.figures) {
      out += "\n        " + Property(f.name, f.value.value_or(""));
    }
    for (const CrosstalkFlag& c : k.crosstalk) {
      out += "\n        " + Property("crosstalk_to_CH" + std::to_string(c.affected),
                                     FormatFixed(c.percent, 1) + " %");
    }
    out += "\n      </properties>\n";
    if (k.verdict == "untouched") {
      out += "      <skipped" + Attr("message", k.reason) + "/>\n";
    } else if (k.verdict != "pass") {
      out += "      <failure" + Attr("message", k.reason) + Attr("type", k.verdict) + ">" +
             XmlEscape(Figures(k)) + "</failure>\n";
    }
    out += "      <system-out>" + XmlEscape(Figures(k)) + "</system-out>\n    </testcase>\n";
  }
  return out + "  </testsuite>\n</testsuites>\n";
}

}  // namespace padscope
