#include "ProductionRun.h"

#include <filesystem>
#include <ostream>
#include <span>

#include "platform/FileBytes.h"
#include "results/JunitReport.h"
#include "results/RunRecord.h"
#include "results/UnitSpool.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"
#include "state/SettingsText.h"
#include "support/Version.h"

namespace padscope {

namespace {

// What the unit's record says about the options: the command's arguments
// without those stored elsewhere (the unit's names, the store, the files).
std::string RecordedOptions(const std::vector<std::string>& args) {
  static const char* const kElsewhere[] = {"--serial", "--lot", "--station", "--db",
                                           "--junit",  "-o",    "--report",  "--format"};
  std::string out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--no-db") {
      continue;
    }
    bool skip = a.rfind("-", 0) != 0;  // the chart analysed, stored as the recording
    for (const char* name : kElsewhere) {
      skip = skip || a == name;
    }
    if (skip) {
      i += a.rfind("-", 0) == 0;
      continue;
    }
    out += (out.empty() ? "" : " ") + a;
    if (i + 1 < args.size()) {
      out += " " + args[++i];
    }
  }
  return out;
}

std::string SettingsText(bool check, const std::string& settingsFile) {
  if (!settingsFile.empty()) {
    GlobalSettings settings;
    return LoadSettingsFrom(settingsFile, settings) ? DescribeSettings(settings) : "";
  }
  // A check runs with the state folder's settings; a chart brings none.
  return check ? DescribeSettings(GlobalSettings::Instance()) : "";
}

}  // namespace

bool ParseProductionOption(const std::string& name, const std::string& value, ProductionArgs& p,
                           std::string& wanted) {
  if (name == "--serial") {
    p.serial = value;
  } else if (name == "--lot") {
    p.lot = value;
  } else if (name == "--station") {
    p.station = value;
  } else if (name == "--junit") {
    p.junit = value;
  } else if (name == "--db") {
    std::string error;
    p.db = ParseStoreAddress(value, error);
    if (!p.db) {
      wanted = "sqlite:PATH, postgresql://... or libpq's keyword=value";
    }
  } else {
    return false;
  }
  return true;
}

ProductionRun::ProductionRun(const ProductionArgs& production, bool check,
                             const std::vector<std::string>& args)
    : production_(production), check_(check), options_(RecordedOptions(args)), startMs_(NowMs()) {}

std::optional<StoreAddress> ProductionRun::Store() const {
  if (production_.noDb) {
    return std::nullopt;
  }
  // A check is always stored; a bench analysis when a store is named.
  if (production_.db) {
    return production_.db;
  }
  return check_ ? std::optional(DefaultStoreAddress()) : std::nullopt;
}

int ProductionRun::Finish(CliContext& cli, const AnalysisResult* result, int status,
                          const std::string& recording, const std::string& settingsFile) {
  const std::optional<StoreAddress> store = Store();
  if (!store && production_.junit.empty()) {
    return status;
  }
  UnitRecord u;
  u.runId = NewRunId();
  u.kind = check_ ? "check" : "analyze";
  u.serial = production_.serial;
  u.lot = production_.lot;
  u.station = production_.station.value_or(HostName());
  u.startMs = startMs_;
  u.endMs = NowMs();
  u.programVersion = ProgramVersion();
  u.settings = SettingsText(check_, settingsFile);
  u.settingsSha256 = Sha256Hex(u.settings);
  u.options = options_;
  if (!recording.empty()) {
    std::error_code ec;
    u.recordingPath = std::filesystem::absolute(recording, ec).string();
    u.recordingSha256 = FileSha256Hex(recording).value_or("");
  }
  u.exitStatus = status;
  if (result != nullptr) {
    u.rule = PassRule(result->options);
    // The unit fails when a listed key does not pass, also one the frames lack.
    u.verdict = status == 0 ? "pass" : "fail";
    u.keys = KeyRecords(*result);
  } else {
    u.verdict = "error";
  }
  if (!production_.junit.empty()) {
    const std::string xml = FormatJunit(u);
    if (!ReplaceFileBytes(production_.junit,
                          std::span(reinterpret_cast<const uint8_t*>(xml.data()), xml.size()))) {
      cli.err << "cannot write the JUnit file: " << production_.junit << "\n";
      status = status == 0 ? 1 : status;
    }
  }
  if (!store) {
    return status;
  }
  const DeliveryOutcome outcome = DeliverResult(*store, u);
  if (outcome.delivered > 0) {
    cli.err << "stored " << outcome.delivered << " spooled result"
            << (outcome.delivered == 1 ? "" : "s") << " in " << DescribeStoreAddress(*store)
            << "\n";
  }
  for (const std::string& message : outcome.messages) {
    cli.err << message << "\n";
  }
  if (outcome.stored) {
    cli.err << "result stored in " << DescribeStoreAddress(*store) << " (run " << u.runId << ")\n";
    return status;
  }
  if (!outcome.spooled) {
    return 1;
  }
  // The verdict still shows: a pass and a fail spooled end differently.
  return status == 0 ? kExitPassedSpooled : status == 3 ? kExitFailedSpooled : status;
}

}  // namespace padscope
