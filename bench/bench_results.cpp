// The results store: storing one unit's result (16 keys) on SQLite and on
// PostgreSQL (over a local socket), and `results` over many stored units;
// each as a time per unit against writing the same figures to a CSV file in
// the same run (the file flushed to disk, as a report is). Medians of three
// rounds.
//
//   bench/bench_results [units...]   (default: 10000 100000)
// PostgreSQL is measured when PADSCOPE_TEST_POSTGRES names a server
// (scripts/test-postgres start FOLDER prints one).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "analysis/AnalysisReport.h"
#include "platform/FileBytes.h"
#include "results/ResultsReport.h"
#include "results/ResultsStore.h"

#include <libpq-fe.h>
#include <unistd.h>

using namespace padscope;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kFigureNames[] = {"idle_mean",
                                        "noise",
                                        "signal",
                                        "snr",
                                        "recommended_threshold",
                                        "threshold",
                                        "false_touch_margin",
                                        "detection_margin",
                                        "raw_baseline",
                                        "raw_noise",
                                        "raw_signal",
                                        "touches",
                                        "verdict"};

UnitRecord MakeUnit(std::mt19937& rng, int i) {
  UnitRecord u;
  u.runId = NewRunId();
  u.serial = "SN-" + std::to_string(100000 + i);
  u.lot = "LOT-" + std::to_string(i / 5000);
  u.station = "station-" + std::to_string(i % 4);
  u.startMs = 1'700'000'000'000 + int64_t{i} * 3000;
  u.endMs = u.startMs + 2500;
  u.programVersion = "0.1.0";
  u.settings = std::string(600, 'x');
  u.settingsSha256 = std::string(64, 'a');
  u.rule = "snr >= 5.00";
  u.options = "--seconds 10 --settings line.tmp";
  u.recordingPath = "/var/lib/line/" + u.serial + ".tkchart";
  u.recordingSha256 = std::string(64, 'b');
  u.verdict = "pass";
  for (int c = 0; c < 16; ++c) {
    KeyRecord k;
    k.channel = c;
    const double noise = 2 + rng() % 5;
    const double signal = 60 + rng() % 60;
    k.noise = noise;
    k.signal = signal;
    k.snr = signal / noise;
    k.falseTouchMargin = 20 + rng() % 10;
    k.detectionMargin = 30 + rng() % 10;
    k.verdict = *k.snr >= 5 ? "pass" : "fail";
    k.reason = k.verdict == "pass" ? "" : "SNR below 5.00";
    for (const char* name : kFigureNames) {
      k.figures.push_back({name, FormatFixed(static_cast<double>(rng() % 10000) / 100, 2)});
    }
    u.keys.push_back(std::move(k));
  }
  return u;
}

// The same figures as CSV: one row per key.
std::string Csv(std::span<const UnitRecord> units, bool allFigures) {
  std::string out;
  for (const UnitRecord& u : units) {
    for (const KeyRecord& k : u.keys) {
      out += u.serial + "," + std::to_string(k.channel) + "," + FormatFixed(*k.snr, 2) + "," +
             FormatFixed(*k.noise, 2) + "," + FormatFixed(*k.signal, 2) + "," +
             FormatFixed(*k.falseTouchMargin, 2) + "," + FormatFixed(*k.detectionMargin, 2) + "," +
             k.verdict;
      if (allFigures) {
        for (const KeyFigure& f : k.figures) {
          out += ',';
          out += f.value.value_or("");
        }
      }
      out += "\n";
    }
  }
  return out;
}

bool WriteCsv(const std::filesystem::path& file, const std::string& text) {
  return ReplaceFileBytes(file,
                          std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A fresh, empty store of the kind: a file in `dir`, or a schema of its own.
struct Store {
  StoreAddress address;
  std::string dropSql;
  std::string server;
  ~Store() {
    if (!dropSql.empty()) {
      PGconn* c = PQconnectdb(server.c_str());
      PQsetNoticeProcessor(
          c, [](void*, const char*) {}, nullptr);
      PQclear(PQexec(c, dropSql.c_str()));
      PQfinish(c);
    }
  }
};

std::unique_ptr<Store> FreshStore(StoreKind kind, const std::filesystem::path& dir, int n) {
  auto s = std::make_unique<Store>();
  const std::string name = "bench_" + std::to_string(n) + "_" + std::to_string(::getpid());
  if (kind == StoreKind::Sqlite) {
    s->address = {StoreKind::Sqlite, (dir / (name + ".db")).string()};
    return s;
  }
  s->server = std::getenv("PADSCOPE_TEST_POSTGRES");
  PGconn* c = PQconnectdb(s->server.c_str());
  PQclear(PQexec(c, ("CREATE SCHEMA " + name).c_str()));
  PQfinish(c);
  s->dropSql = "DROP SCHEMA " + name + " CASCADE";
  s->address = {StoreKind::Postgres, s->server + " options='-c search_path=" + name + "'"};
  return s;
}

const char* KindName(StoreKind kind) {
  return kind == StoreKind::Sqlite ? "SQLite" : "PostgreSQL";
}

// One unit at a time, as each check stores its own.
void StoreOneUnit(StoreKind kind, const std::filesystem::path& dir) {
  constexpr int kUnits = 100;
  std::mt19937 rng(1);
  std::vector<UnitRecord> units;
  for (int i = 0; i < kUnits; ++i) {
    units.push_back(MakeUnit(rng, i));
  }
  std::vector<double> store, csv;
  for (int round = 0; round < 3; ++round) {
    const auto s = FreshStore(kind, dir, round);
    std::string error;
    auto opened = OpenResultsStore(s->address, error);
    if (!opened) {
      std::printf("%s: %s\n", KindName(kind), error.c_str());
      return;
    }
    auto start = Clock::now();
    for (const UnitRecord& u : units) {
      if (!opened->Write(std::span(&u, 1), error)) {
        std::printf("%s: %s\n", KindName(kind), error.c_str());
        return;
      }
    }
    store.push_back(Seconds(start) / kUnits);
    start = Clock::now();
    for (int i = 0; i < kUnits; ++i) {
      WriteCsv(dir / ("unit" + std::to_string(i) + ".csv"), Csv(std::span(&units[i], 1), true));
    }
    csv.push_back(Seconds(start) / kUnits);
  }
  std::printf("store one unit (16 keys), %-10s  %8.3f ms per unit; CSV file %8.3f ms; ratio %.2f\n",
              KindName(kind), Median(store) * 1e3, Median(csv) * 1e3, Median(store) / Median(csv));
}

// `results` (open, read, sum up, format) over n stored units.
void ResultsOver(StoreKind kind, const std::filesystem::path& dir, int n) {
  const auto s = FreshStore(kind, dir, n);
  std::string error;
  std::mt19937 rng(2);
  std::vector<UnitRecord> all;
  {
    auto opened = OpenResultsStore(s->address, error);
    std::vector<UnitRecord> batch;
    for (int i = 0; i < n; ++i) {
      // `results` reads no figure by name: the fill leaves them out.
      batch.push_back(MakeUnit(rng, i));
      for (KeyRecord& k : batch.back().keys) {
        k.figures.clear();
      }
      if (batch.size() == 2000 || i + 1 == n) {
        if (!opened || !opened->Write(batch, error)) {
          std::printf("%s: %s\n", KindName(kind), error.c_str());
          return;
        }
        all.insert(all.end(), batch.begin(), batch.end());
        batch.clear();
      }
    }
  }
  std::vector<double> results, csv;
  size_t length = 0;
  for (int round = 0; round < 3; ++round) {
    auto start = Clock::now();
    auto opened = OpenResultsStore(s->address, error);
    ResultsFilter filter;
    filter.details = false;
    ResultsSummarizer summarizer({});
    opened->Read(
        filter, [&](UnitRecord&& u) { summarizer.Add(u); }, error);
    ResultsReportInputs inputs;
    inputs.all = summarizer.Summarize(std::nullopt);
    for (const std::string& station : summarizer.Stations()) {
      inputs.stations.push_back(summarizer.Summarize(station));
    }
    length += FormatResultsReport(inputs, ReportFormat::Text).size();
    results.push_back(Seconds(start));
    start = Clock::now();
    WriteCsv(dir / "all.csv", Csv(all, false));
    csv.push_back(Seconds(start));
  }
  std::printf(
      "results over %6d units, %-10s  %7.3f s (%6.2f us per unit); CSV file %6.3f s; "
      "ratio %.2f\n",
      n, KindName(kind), Median(results), Median(results) / n * 1e6, Median(csv),
      Median(results) / Median(csv));
  (void)length;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) {
    sizes.push_back(std::atoi(argv[i]));
  }
  if (sizes.empty()) {
    sizes = {10000, 100000};
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "bench-results-XXXXXX").string();
  const char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) {
    return 1;
  }
  const std::filesystem::path dir = made;
  std::vector<StoreKind> kinds = {StoreKind::Sqlite};
  const char* server = std::getenv("PADSCOPE_TEST_POSTGRES");
  if (server != nullptr && *server != '\0') {
    kinds.push_back(StoreKind::Postgres);
  } else {
    std::printf("PostgreSQL left out: PADSCOPE_TEST_POSTGRES is not set\n");
  }
  for (const StoreKind kind : kinds) {
    StoreOneUnit(kind, dir);
  }
  for (const StoreKind kind : kinds) {
    for (const int n : sizes) {
      ResultsOver(kind, dir, n);
    }
  }
  std::filesystem::remove_all(dir);
  return 0;
}
