// `analyze` (a chart) and `check` (a live capture of N seconds): the tuning
// analysis as a report, with an exit status a production line can script.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <ostream>
#include <span>

#include "CaptureRun.h"
#include "ChartLoad.h"
#include "CliCommands.h"
#include "ProductionRun.h"
#include "analysis/Analysis.h"
#include "analysis/AnalysisReport.h"
#include "analysis/ThresholdRules.h"
#include "capture/CaptureThread.h"
#include "files/ChartFile.h"
#include "platform/FileBytes.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"
#include "support/NumberText.h"

namespace padscope {

namespace {

constexpr int kExitFailed = 3;
constexpr int kPlotColumns = 400;
constexpr long long kMaxCheckSeconds = 24 * 3600;
// Frames a check allows for per second: more than any adapter streams, so the
// buffer never compacts and drops the start of the check.
constexpr long long kCheckFramesPerSecond = 2000;

struct AnalyzeArgs {
  std::string chart;      // analyze: the chart to read
  std::string recording;  // check: where to keep the recording
  std::string report;     // where to write the report; empty: standard output
  std::string settings;
  long long from = 0;
  long long to = std::numeric_limits<int64_t>::max();
  long long seconds = 0;
  AnalysisOptions options;
  std::optional<ReportFormat> format;  // --format; else the report file's ending decides
  ProductionArgs production;           // serial, lot, station, store, JUnit file
  std::optional<double> frameMs;       // --frame-ms
  std::optional<uint16_t> keys;        // --keys
  uint16_t shownKeys = 0;              // the channels the settings file shows
  uint32_t settingsPeriodMs = 0;       // its sampling period, 0: none
};

// "0,2,5-7" into channel bits; nothing for a bad list.
std::optional<uint16_t> ParseKeyList(const std::string& text) {
  uint16_t keys = 0;
  size_t at = 0;
  while (at <= text.size()) {
    const size_t comma = std::min(text.find(',', at), text.size());
    const std::string item = text.substr(at, comma - at);
    const size_t dash = item.find('-');
    long long first = 0;
    long long last = 0;
    if (!ParseInteger(item.substr(0, dash), 0, kAnalysisChannels - 1, first) ||
        !ParseInteger(dash == std::string::npos ? item.substr(0, dash) : item.substr(dash + 1), 0,
                      kAnalysisChannels - 1, last) ||
        last < first) {
      return std::nullopt;
    }
    for (long long k = first; k <= last; ++k) {
      keys |= static_cast<uint16_t>(1u << k);
    }
    at = comma + 1;
  }
  return keys;
}

std::string KeyNames(uint16_t keys) {
  std::string out;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    if ((keys >> k) & 1) {
      out += (out.empty() ? "CH" : " CH") + std::to_string(k);
    }
  }
  return out;
}

// The format a report file's name asks for: .html, .json, .csv, else text.
ReportFormat FormatForFile(const std::string& path) {
  std::string ending = std::filesystem::path(path).extension().string();
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ending == ".html" || ending == ".htm") {
    return ReportFormat::Html;
  }
  if (ending == ".json") {
    return ReportFormat::Json;
  }
  return ending == ".csv" ? ReportFormat::Csv : ReportFormat::Text;
}

std::string WholeNumber(long long min, long long max) {
  return "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
}

// One "--name value" option shared by both commands: "" when it is taken,
// else what the value must be.
std::string ParseOption(const std::string& name, const std::string& value, AnalyzeArgs& a) {
  long long n = 0;
  if (name == "--settings") {
    a.settings = value;
  } else if (name == "--from" || name == "--to") {
    if (!ParseInteger(value, 0, std::numeric_limits<int32_t>::max(), n)) {
      return WholeNumber(0, std::numeric_limits<int32_t>::max());
    }
    (name == "--from" ? a.from : a.to) = n;
  } else if (name == "--guard" || name == "--min-touch") {
    double& ms = name == "--guard" ? a.options.guardMs : a.options.minTouchMs;
    if (!ParseDecimal(value, name == "--guard" ? 0 : 1, kMaxGuardMs, ms)) {
      return "milliseconds from " + std::string(name == "--guard" ? "0" : "1") + " to 10000";
    }
  } else if (name == "--frame-ms") {
    double ms = 0;
    if (!ParseDecimal(value, 0.01, kMaxFrameMs, ms)) {
      return "milliseconds from 0.01 to 10000";
    }
    a.frameMs = ms;
  } else if (name == "--rule") {
    const std::optional<ThresholdRule> rule = ParseThresholdRule(value.c_str());
    if (!rule) {
      return "factor or guide";
    }
    a.options.rule = *rule;
  } else if (name == "--keys") {
    a.keys = ParseKeyList(value);
    if (!a.keys || *a.keys == 0) {
      return "channel numbers 0 to 15, such as 0,1,4-7";
    }
  } else if (name == "--min-snr") {
    if (!ParseDecimal(value, 0, 1e9, a.options.minSnr)) {
      return "a number from 0 up";
    }
  } else if (name == "--threshold-at") {
    if (!ParseDecimal(value, 0, 1, a.options.thresholdAt)) {
      return "a number from 0 to 1";
    }
  } else if (name == "--crosstalk-flag") {
    if (!ParseDecimal(value, 0, 1e6, a.options.crosstalkFlagPercent)) {
      return "a percentage from 0 up";
    }
  } else if (name == "--format") {
    a.format = ParseReportFormat(value);
    if (!a.format) {
      return "text, csv, json or html";
    }
  } else {
    return "an option of this command";
  }
  return "";
}

// Parses the arguments of `analyze` (check false) or `check`. Writes the usage
// error and returns false.
bool ParseArgs(CliContext& cli, const std::vector<std::string>& args, bool check, AnalyzeArgs& a) {
  const std::string usage = CommandUsage(check ? "check" : "analyze");
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("-", 0) != 0) {
      if (check || !a.chart.empty()) {
        cli.err << "unexpected argument: " << arg << "\n" << usage;
        return false;
      }
      a.chart = arg;
      continue;
    }
    if (arg == "--no-db") {
      a.production.noDb = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      cli.err << "missing value for " << arg << "\n" << usage;
      return false;
    }
    const std::string& value = args[++i];
    std::string wanted;
    if (arg == "-o") {
      (check ? a.recording : a.report) = value;
    } else if (check && arg == "--report") {
      a.report = value;
    } else if (check && arg == "--seconds") {
      if (!ParseInteger(value, 1, kMaxCheckSeconds, a.seconds)) {
        wanted = WholeNumber(1, kMaxCheckSeconds);
      }
    } else if (!ParseProductionOption(arg, value, a.production, wanted)) {
      wanted = ParseOption(arg, value, a);
    }
    if (!wanted.empty()) {
      cli.err << "bad value for " << arg << ": " << value << " (it takes " << wanted << ")\n"
              << usage;
      return false;
    }
  }
  if (check ? a.seconds == 0 : a.chart.empty()) {
    cli.err << (check ? "missing --seconds N" : "missing the chart to analyse") << "\n" << usage;
    return false;
  }
  if (a.production.noDb && a.production.db) {
    cli.err << "--no-db and --db exclude each other\n" << usage;
    return false;
  }
  if (a.from > a.to) {
    cli.err << "--from " << a.from << " is after --to " << a.to << "\n";
    return false;
  }
  return true;
}

// The thresholds of the settings file (base + pending delta), when one is named.
bool LoadThresholds(CliContext& cli, AnalyzeArgs& a) {
  if (a.settings.empty()) {
    return true;
  }
  GlobalSettings settings;
  if (!LoadSettingsFrom(a.settings, settings)) {
    cli.err << "cannot read the settings file: " << a.settings << "\n";
    return false;
  }
  std::array<int32_t, kAnalysisChannels> thresholds{};
  for (int k = 0; k < kAnalysisChannels; ++k) {
    thresholds[k] = settings.channel[k].EffectiveThreshold();
    a.shownKeys |= IsChannelEnabled(settings.channel[k]) ? static_cast<uint16_t>(1u << k) : 0;
  }
  a.options.thresholds = thresholds;
  a.settingsPeriodMs = SamplingPeriodMs(settings.samplingTimes, settings.samplingElapseTenths);
  return true;
}

// The keys to analyse and how the report names the choice. A settings file
// keeps the shown flag of its first channel only, so one that shows no other
// channel cannot say which are shown: then every carried channel.
uint16_t ChooseKeys(const AnalyzeArgs& a, std::string& described) {
  if (a.keys) {
    described = KeyNames(*a.keys) + " (--keys)";
    return *a.keys;
  }
  if ((a.shownKeys & 0xFFFE) != 0) {
    described = KeyNames(a.shownKeys) + " (the channels " + a.settings + " shows)";
    return a.shownKeys;
  }
  described.clear();
  return 0xFFFF;
}

// The frame period: --frame-ms, else the capture's time stamps for a live
// capture, else the settings' sampling period, else the chart default.
void ChooseFramePeriod(const CliContext& cli, const CaptureContext& ctx, bool live,
                       AnalyzeArgs& a) {
  AnalysisOptions& o = a.options;
  const std::optional<double> stamped = live ? StampedFramePeriod(ctx, a.from, a.to) : std::nullopt;
  if (a.frameMs) {
    o.frameMs = *a.frameMs;
    o.frameSource = FramePeriodSource::Option;
  } else if (live && cli.clocklessFramesPerSecond > 0) {
    // A simulated chip read as fast as it streams: its time stamps say how
    // fast the host read, its scan rate is the frames' time.
    o.frameMs = 1000.0 / cli.clocklessFramesPerSecond;
    o.frameSource = FramePeriodSource::ChipRate;
  } else if (stamped) {
    o.frameMs = *stamped;
    o.frameSource = FramePeriodSource::TimeStamps;
  } else if (a.settingsPeriodMs > 0) {
    o.frameMs = a.settingsPeriodMs;
    o.frameSource = FramePeriodSource::Settings;
  } else {
    o.frameMs = kDefaultFrameMs;
    o.frameSource = FramePeriodSource::Default;
  }
}

// Parses the arguments and reads the settings file they name: 0, or the exit
// status of what went wrong.
int PrepareArgs(CliContext& cli, const std::vector<std::string>& args, bool check, AnalyzeArgs& a) {
  if (!ParseArgs(cli, args, check, a)) {
    return 2;
  }
  return LoadThresholds(cli, a) ? 0 : 1;
}

// Analyses the range of the buffer and writes the report. Nothing is written
// when the range holds no decoded frame.
int AnalyzeAndReport(CliContext& cli, const CaptureContext& ctx, bool singleByteMode, bool live,
                     AnalyzeArgs a, const std::string& source, ProductionRun& run,
                     const std::string& recording) {
  a.options.singleByteMode = singleByteMode;
  const ReportFormat format = a.format.value_or(FormatForFile(a.report));
  a.options.plotColumns = format == ReportFormat::Html ? kPlotColumns : 0;
  std::string keys;
  a.options.channels = ChooseKeys(a, keys);
  ChooseFramePeriod(cli, ctx, live, a);
  const AnalysisResult result = AnalyzeBuffer(ctx, a.from, a.to, a.options);
  if (result.Empty()) {
    cli.err << "empty range: no decoded frame from " << a.from << " to "
            << std::min<long long>(a.to, ctx.WriteIndex() - 1) << " of " << source << "\n";
    return run.Finish(cli, nullptr, 1, recording, a.settings);
  }
  ReportInputs inputs;
  inputs.source = source;
  inputs.settings = a.settings;
  inputs.keys = keys;
  const std::string text = FormatAnalysisReport(result, format, inputs);
  bool written = true;
  if (a.report.empty()) {
    cli.out << text;
  } else if (!ReplaceFileBytes(
                 a.report, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()))) {
    cli.err << "cannot write the report: " << a.report << "\n";
    written = false;
  }
  // A production line reads why a board failed without opening the report.
  std::vector<std::string> failing = FailingKeyLines(result, inputs);
  for (int k = 0; a.keys && k < kAnalysisChannels; ++k) {
    if (((*a.keys >> k) & 1) && result.Channel(k) == nullptr) {
      failing.push_back("CH" + std::to_string(k) + ": not in the frames");
    }
  }
  if (!failing.empty()) {
    cli.err << "not every key passes:\n";
    for (const std::string& line : failing) {
      cli.err << "  " << line << "\n";
    }
  }
  // The result is kept even when its report could not be written.
  const int status =
      run.Finish(cli, &result, failing.empty() ? 0 : kExitFailed, recording, a.settings);
  return written ? status : 1;
}

std::string TouchedKeys(uint16_t keys) {
  std::string out;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    if ((keys >> k) & 1) {
      out += " CH" + std::to_string(k);
    }
  }
  return out.empty() ? " none yet" : out;
}

// The keys touched so far, for the progress line: the signal's touches in
// the frames written since the last call.
class TouchedSoFar {
 public:
  uint16_t Update(const CaptureContext& ctx, bool singleByteMode) {
    const int n = ctx.WriteIndex();
    if (!detector_) {
      // The frame period from the first stamps that span some time.
      const std::optional<double> period = StampedFramePeriod(ctx, 1, n - 1);
      if (n < kLearnFrames || !period) {
        return 0;
      }
      detector_.emplace(DetectorTiming::FromMs(*period, kDefaultMinTouchMs));
      next_ = 1;
    }
    AnalysisFrame f;
    for (next_ = std::min(next_, n); next_ < n; ++next_) {
      if (ReadAnalysisFrame(ctx, next_, singleByteMode, f) && f.decoded) {
        const uint16_t events = detector_->Step(f.raw.data(), f.output.data(), decoded_++);
        for (int k = 0; events != 0 && k < kAnalysisChannels; ++k) {
          const bool confirmed =
              ((events >> k) & 1) && detector_->event(k) == TouchDetectorBank::Event::Confirmed;
          keys_ |= confirmed ? static_cast<uint16_t>(1u << k) : 0;
        }
      }
    }
    return keys_;
  }

 private:
  static constexpr int kLearnFrames = 50;
  std::optional<TouchDetectorBank> detector_;
  int next_ = 0;
  int64_t decoded_ = 0;
  uint16_t keys_ = 0;
};

}  // namespace

int CmdAnalyze(CliContext& cli, const std::vector<std::string>& args) {
  AnalyzeArgs a;
  if (const int status = PrepareArgs(cli, args, false, a); status != 0) {
    return status;
  }
  auto chart = std::make_unique<LoadedChart>();
  if (!LoadChartFile(cli, a.chart, *chart)) {
    return 1;
  }
  // A chart without its end record was cut short; figures from part of a
  // recording would pass for the whole.
  if (chart->size % kChartRecordBytes != 0 || !chart->result.endRecord) {
    cli.err << "truncated chart (no end record): " << a.chart << "\n";
    return 1;
  }
  ProductionRun run(a.production, false, args);
  return AnalyzeAndReport(cli, chart->ctx, chart->singleByteMode != 0, false, a, a.chart, run,
                          a.chart);
}

int CmdCheck(CliContext& cli, const std::vector<std::string>& args) {
  AnalyzeArgs a;
  if (const int status = PrepareArgs(cli, args, true, a); status != 0) {
    return status;
  }
  LoadSettings();  // the state folder's settings, as the GUI would use them
  GlobalSettings& settings = GlobalSettings::Instance();
  CaptureContext ctx;
  ctx.valueEncoding = cli.valueEncoding;
  if (cli.clocklessFramesPerSecond > 0) {
    // Nothing to wait for between frames, and exactly the check's frames.
    ctx.cycleSleepMs = 0;
    ctx.frameLimit = static_cast<int>(std::ceil(a.seconds * cli.clocklessFramesPerSecond));
  }
  const long long frames =
      std::min<long long>(a.seconds * kCheckFramesPerSecond + 1024, kDefaultFrameCapacity);
  if (!ctx.AllocateFrames(static_cast<int>(frames))) {
    cli.err << "Memory allocate failed.\n";
    return 1;
  }
  ProductionRun run(a.production, true, args);
  const auto length = std::chrono::seconds(a.seconds);
  // A simulated adapter without a clock of its own streams as fast as it is
  // read: its time is its frames at the chip's scan rate.
  const auto checkTime = [&cli](int count, CaptureElapsed elapsed) -> CaptureElapsed {
    if (cli.clocklessFramesPerSecond <= 0) {
      return elapsed;
    }
    return std::chrono::duration_cast<CaptureElapsed>(
        std::chrono::duration<double>(count / cli.clocklessFramesPerSecond));
  };
  TouchedSoFar touched;
  auto line = [&](int count, CaptureElapsed elapsed) {
    const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    return std::to_string(std::min(seconds, a.seconds)) + "/" + std::to_string(a.seconds) + " s, " +
           std::to_string(count) +
           " frames; touched:" + TouchedKeys(touched.Update(ctx, settings.singleByteMode != 0));
  };
  const LiveCaptureResult capture = RunLiveCapture(
      cli, ctx,
      [&](int count, CaptureElapsed elapsed) { return checkTime(count, elapsed) >= length; },
      [&](int count, CaptureElapsed elapsed) {
        cli.err << "\rchecking " << line(count, checkTime(count, elapsed)) << " (touch each key)"
                << std::flush;
      });
  if (!capture.started) {
    cli.err << capture.message << "\n";
    return 1;
  }
  // Blank the progress line, which may be longer, before the last one.
  cli.err << "\r" << std::string(79, ' ') << "\rchecked " << line(ctx.WriteIndex(), length) << "\n";
  if (!capture.message.empty()) {
    cli.err << capture.message << "\n";
  }
  if (!a.recording.empty() && !WriteChart(a.recording, ctx)) {
    cli.err << "Tkchart file create failed.\n";
    return 1;
  }
  if (capture.stalled) {
    cli.err << "read failed.\n";
    return run.Finish(cli, nullptr, 1, a.recording, a.settings);
  }
  const std::string source =
      a.recording.empty() ? "live capture of " + std::to_string(a.seconds) + " s" : a.recording;
  return AnalyzeAndReport(cli, ctx, settings.singleByteMode != 0, true, a, source, run,
                          a.recording);
}

}  // namespace padscope
