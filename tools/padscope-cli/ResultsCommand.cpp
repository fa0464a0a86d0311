// `results`: the yield and per-key statistics of the units in a results store,
// over a lot, a station and a span of time.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <span>

#include "CliCommands.h"
#include "analysis/AnalysisReport.h"
#include "platform/FileBytes.h"
#include "results/ResultsReport.h"
#include "results/ResultsStore.h"
#include "support/NumberText.h"

namespace padscope {

namespace {

struct ResultsArgs {
  StoreAddress store = DefaultStoreAddress();
  ResultsFilter filter;
  std::string since;
  std::string until;
  SummaryOptions summary;
  std::optional<ReportFormat> format;
  std::string output;
};

ReportFormat FormatFromFile(const std::string& path) {
  std::string ending = std::filesystem::path(path).extension().string();
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ending == ".html" || ending == ".htm" ? ReportFormat::Html
         : ending == ".json"                   ? ReportFormat::Json
         : ending == ".csv"                    ? ReportFormat::Csv
                                               : ReportFormat::Text;
}

// "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS" (a space for the
// T too) in local time, or UTC with a trailing Z. A date alone reaches to the
// end of its day when it ends a span.
bool ParseTime(const std::string& text, bool endOfSpan, int64_t& ms) {
  std::tm tm{};
  int hour = -1;
  int minute = 0;
  int second = 0;
  char sep = 0;
  int used = 0;
  const int n = std::sscanf(text.c_str(), "%4d-%2d-%2d%n%c%2d:%2d%n:%2d%n", &tm.tm_year, &tm.tm_mon,
                            &tm.tm_mday, &used, &sep, &hour, &minute, &used, &second, &used);
  if (n < 3 || (n > 3 && n < 6) || (n >= 4 && sep != 'T' && sep != ' ')) {
    return false;
  }
  const std::string rest = text.substr(static_cast<size_t>(used));
  const bool utc = rest == "Z";
  if (!rest.empty() && !utc) {
    return false;
  }
  const bool dateOnly = n == 3;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  tm.tm_hour = dateOnly ? 0 : hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
      tm.tm_min > 59 || tm.tm_sec > 60) {
    return false;
  }
#if defined(_WIN32)
  const std::time_t t = utc ? _mkgmtime(&tm) : std::mktime(&tm);
#else
  const std::time_t t = utc ? timegm(&tm) : std::mktime(&tm);
#endif
  if (t == static_cast<std::time_t>(-1)) {
    return false;
  }
  ms = static_cast<int64_t>(t) * 1000;
  if (endOfSpan) {
    ms += dateOnly ? 86400 * 1000 - 1 : n == 6 ? 59999 : 999;
  }
  return true;
}

std::string FilterLine(const ResultsArgs& a) {
  const auto shown = [](const std::optional<std::string>& v) {
    return v ? ShowableText(*v) : std::string("any");
  };
  return "lot " + shown(a.filter.lot) + ", station " + shown(a.filter.station) + ", since " +
         (a.since.empty() ? "-" : a.since) + ", until " + (a.until.empty() ? "-" : a.until);
}

// Writes the usage error and returns false.
bool ParseResultsArgs(CliContext& cli, const std::vector<std::string>& args, ResultsArgs& a) {
  const std::string usage = CommandUsage("results");
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i + 1 >= args.size() || arg.rfind("-", 0) != 0) {
      cli.err << (arg.rfind("-", 0) == 0 ? "missing value for " : "unexpected argument: ") << arg
              << "\n"
              << usage;
      return false;
    }
    const std::string& value = args[++i];
    std::string wanted;
    long long n = 0;
    int64_t ms = 0;
    std::string error;
    if (arg == "--db") {
      const std::optional<StoreAddress> store = ParseStoreAddress(value, error);
      a.store = store.value_or(a.store);
      wanted = store ? "" : "sqlite:PATH, postgresql://... or libpq's keyword=value";
    } else if (arg == "--lot") {
      a.filter.lot = value;
    } else if (arg == "--station") {
      a.filter.station = value;
    } else if (arg == "--since" || arg == "--until") {
      if (!ParseTime(value, arg == "--until", ms)) {
        wanted = "a date YYYY-MM-DD, or YYYY-MM-DDTHH:MM[:SS], in local time or with Z for UTC";
      }
      (arg == "--since" ? a.filter.sinceMs : a.filter.untilMs) = ms;
      (arg == "--since" ? a.since : a.until) = value;
    } else if (arg == "--min-snr") {
      if (!ParseDecimal(value, 0, 1e9, a.summary.minSnr)) {
        wanted = "a number from 0 up";
      }
    } else if (arg == "--worst") {
      if (!ParseInteger(value, 0, 1000, n)) {
        wanted = "a whole number from 0 to 1000";
      }
      a.summary.worst = static_cast<size_t>(n);
    } else if (arg == "--format") {
      a.format = ParseReportFormat(value);
      wanted = a.format ? "" : "text, csv, json or html";
    } else if (arg == "-o") {
      a.output = value;
    } else {
      wanted = "an option of this command";
    }
    if (!wanted.empty()) {
      cli.err << "bad value for " << arg << ": " << value << " (it takes " << wanted << ")\n"
              << usage;
      return false;
    }
  }
  return true;
}

}  // namespace

int CmdResults(CliContext& cli, const std::vector<std::string>& args) {
  ResultsArgs a;
  if (!ParseResultsArgs(cli, args, a)) {
    return 2;
  }
  std::string error;
  std::unique_ptr<ResultsStore> store = OpenResultsStore(a.store, error);
  if (!store) {
    cli.err << "results store " << DescribeStoreAddress(a.store) << ": " << error << "\n";
    return 1;
  }
  a.filter.details = false;
  ResultsSummarizer summarizer(a.summary);
  if (!store->Read(
          a.filter, [&](UnitRecord&& u) { summarizer.Add(u); }, error)) {
    cli.err << "results store " << DescribeStoreAddress(a.store) << ": " << error << "\n";
    return 1;
  }
  ResultsReportInputs inputs;
  inputs.store =
      DescribeStoreAddress(a.store) + " (schema " + std::to_string(store->SchemaVersion()) + ")";
  inputs.filter = FilterLine(a);
  inputs.minSnr = a.summary.minSnr;
  inputs.all = summarizer.Summarize(std::nullopt);
  for (const std::string& station : summarizer.Stations()) {
    inputs.stations.push_back(summarizer.Summarize(station));
  }
  const std::string text = FormatResultsReport(inputs, a.format.value_or(FormatFromFile(a.output)));
  if (a.output.empty()) {
    cli.out << text;
  } else if (!ReplaceFileBytes(
                 a.output, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()))) {
    cli.err << "cannot write the report: " << a.output << "\n";
    return 1;
  }
  return 0;
}

}  // namespace padscope
