// `check` storing every run and `results` summing a lot up, over 200 real
// checks of a simulated adapter that streams as fast as it is read.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "analysis/AnalysisReport.h"
#include "platform/ProgramFolders.h"
#include "results/ResultsStore.h"
#include "sim/SimScenario.h"
#include "sim/SimulatedAdapter.h"
#include "state/GlobalSettings.h"
#include "tools/CliRun.h"

namespace padscope {
namespace {

// Keys 0 to 3 touched one after another, once the idle level has been seen
// for a while (a touch from the first frames on reads as the idle level), well past the adapter's
// key threshold; key 2 weak on the units `weak` picks: its noise of about 20 brings its SNR to
// about 4.
std::shared_ptr<HidBackend> Board(int seed, bool weak) {
  const std::string noise = std::to_string(weak ? 19 + seed % 3 : 2);
  const std::string touch = std::to_string(weak ? 82 + seed % 4 : 80 + seed % 20);
  const std::string text = "rate 200\nseed " + std::to_string(seed) +
                           "\nchannel 0 baseline 900 noise 2 touch 80 at 0.3+0.25\n"
                           "channel 1 baseline 900 noise 2 touch 70 at 0.6+0.25\n"
                           "channel 2 baseline 900 noise " +
                           noise + " touch " + touch +
                           " at 0.9+0.25\n"
                           "channel 3 baseline 900 noise 2 touch 90 at 1.2+0.25\n";
  std::string error;
  auto scenario = SimScenario::Parse(text, error);
  EXPECT_TRUE(scenario) << error;
  SimConfig config = WithScenario(SimConfig{}, std::make_shared<const SimScenario>(*scenario));
  config.framesPerSecond = 0;  // as fast as it is read; the check counts chip time
  config.recordReports = false;
  return std::make_shared<SimulatedAdapter>(config);
}

test::CliRun Check(int seed, bool weak, std::vector<std::string> extra) {
  std::vector<std::string> args = {"check", "--seconds", "2", "--keys", "0-3", "--format", "csv"};
  args.insert(args.end(), extra.begin(), extra.end());
  return test::RunCliCaptured(args, Board(seed, weak));
}

double Quantile7(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const double h = (static_cast<double>(v.size()) - 1) * p;
  const size_t lo = static_cast<size_t>(h);
  const size_t hi = std::min(lo + 1, v.size() - 1);
  return v[lo] + (h - static_cast<double>(lo)) * (v[hi] - v[lo]);
}

std::string Serial(int i) {
  return "SN-" + std::to_string(1000 + i);
}

class CliResults : public ::testing::Test {
 protected:
  void SetUp() override { GlobalSettings::ResetInstanceForTest(); }
};

TEST_F(CliResults, ResultsOf200ChecksMatchTheStoredRowsAndListTheWeakUnitsWorst) {
  constexpr int kUnits = 190;
  auto isWeak = [](int i) { return i % 8 == 3; };
  const std::string junit = (StateDirectory() / "unit3.xml").string();
  for (int i = 0; i < kUnits; ++i) {
    std::vector<std::string> extra = {"--serial",  Serial(i),
                                      "--lot",     i < 180 ? "L1" : "L2",
                                      "--station", i % 2 ? "st-B" : "st-A"};
    if (i == 3) {
      extra.insert(extra.end(), {"--junit", junit});
    }
    const test::CliRun r = Check(i, isWeak(i), extra);
    ASSERT_EQ(r.status, isWeak(i) ? 3 : 0) << i << r.err;
  }
  // Ten weak units tested again pass.
  std::set<std::string> retested;
  for (int i = 3; retested.size() < 10; i += 8) {
    ASSERT_EQ(
        Check(500 + i, false, {"--serial", Serial(i), "--lot", "L1", "--station", "st-A"}).status,
        0);
    retested.insert(Serial(i));
  }

  // What the report should say, from the stored rows: each serial's latest run.
  std::string error;
  std::map<std::string, UnitRecord> latest;
  std::map<std::string, bool> firstPassed;
  ResultsFilter l1;
  l1.lot = "L1";
  ASSERT_TRUE(OpenResultsStore(DefaultStoreAddress(), error)
                  ->Read(
                      l1,
                      [&](UnitRecord&& u) {
                        firstPassed.try_emplace(u.serial, u.verdict == "pass");
                        latest[u.serial] = std::move(u);
                      },
                      error))
      << error;
  ASSERT_EQ(latest.size(), 180u);
  std::vector<std::string> rows =
      test::Lines(test::RunCliCaptured({"results", "--lot", "L1", "--format", "csv"}, nullptr).out);
  ASSERT_EQ(test::Fields(rows[0])[8], "snr_p5");
  size_t finalPassed = 0;
  size_t firstPass = 0;
  for (const auto& [serial, u] : latest) {
    finalPassed += u.verdict == "pass";
    firstPass += firstPassed[serial];
  }
  for (int key = 0; key < 4; ++key) {
    SCOPED_TRACE(key);
    std::vector<double> snr;
    size_t passed = 0;
    for (const auto& [serial, u] : latest) {
      snr.push_back(*u.keys[static_cast<size_t>(key)].snr);
      passed += u.keys[static_cast<size_t>(key)].verdict == "pass";
    }
    const std::vector<std::string> f = test::Fields(rows[static_cast<size_t>(key) + 1]);
    EXPECT_EQ(f[0], "");  // every station
    EXPECT_EQ(f[1], std::to_string(key));
    EXPECT_EQ(f[2], "180");
    EXPECT_EQ(f[3], std::to_string(passed));
    EXPECT_EQ(f[5], FormatFixed(static_cast<double>(firstPass) / 180, 4));
    EXPECT_EQ(f[6], FormatFixed(static_cast<double>(finalPassed) / 180, 4));
    EXPECT_EQ(f[7], FormatFixed(Quantile7(snr, 0), 2));
    EXPECT_EQ(f[8], FormatFixed(Quantile7(snr, 0.05), 2));
    EXPECT_EQ(f[9], FormatFixed(Quantile7(snr, 0.5), 2));
    EXPECT_EQ(f[10], FormatFixed(Quantile7(snr, 1), 2));
    if (key == 2) {
      // The worst listed are weak units that were not tested again.
      std::istringstream worst(f.back());
      int listed = 0;
      for (std::string entry; std::getline(worst, entry, ';'); ++listed) {
        const std::string serial = entry.substr(entry.find("SN-"), 7);
        EXPECT_TRUE(isWeak(std::stoi(serial.substr(3)) - 1000)) << entry;
        EXPECT_EQ(retested.count(serial), 0u) << entry;
      }
      EXPECT_EQ(listed, 5);
      EXPECT_LT(passed, 180u);
    }
  }
  EXPECT_LT(firstPass, finalPassed);
  // Each station's rows follow: st-A had the even units and the retests of
  // ten odd ones.
  ASSERT_EQ(rows.size(), 1u + 3 * 4) << "the four keys checked, for all and for each station";
  const std::vector<std::string> stationA = test::Fields(rows[5]);
  EXPECT_EQ(stationA[0], "st-A");
  EXPECT_EQ(stationA[2], "100");

  // The weak unit's JUnit: a test case per key, its key 2 failed with the reason.
  std::ostringstream xml;
  xml << std::ifstream(junit).rdbuf();
  size_t cases = 0;
  for (size_t p = xml.str().find("<testcase "); p != std::string::npos;
       p = xml.str().find("<testcase ", p + 1)) {
    ++cases;
  }
  EXPECT_EQ(cases, 4u);
  EXPECT_NE(xml.str().find("name=\"CH2\" time=\"0\">"), std::string::npos);
  EXPECT_NE(xml.str().find("<failure message=\"SNR "), std::string::npos) << xml.str();
  EXPECT_NE(xml.str().find("failures=\"1\""), std::string::npos);
  EXPECT_NE(xml.str().find("<property name=\"serial\" value=\"SN-1003\"/>"), std::string::npos);
}

TEST_F(CliResults, ACheckWhoseStoreIsAwayKeepsItsResultForTheNextRun) {
  const std::string folder = (StateDirectory() / "line").string();
  const std::string db = "sqlite:" + folder + "/results.db";
  const std::string report = (StateDirectory() / "report.csv").string();
  test::CliRun r = Check(1, false, {"--db", db, "--serial", "A", "--report", report});
  EXPECT_EQ(r.status, 4) << r.err << r.out;
  EXPECT_NE(r.err.find("the result is kept in "), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::exists(report));
  r = Check(2, true, {"--db", db, "--serial", "B"});
  EXPECT_EQ(r.status, 5) << r.out;

  std::filesystem::create_directory(folder);
  r = Check(3, false, {"--db", db, "--serial", "C"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("stored 2 spooled results in " + db), std::string::npos) << r.err;
  std::string error;
  std::vector<std::string> serials;
  ASSERT_TRUE(OpenResultsStore(*ParseStoreAddress(db, error), error)
                  ->Read(
                      {}, [&](UnitRecord&& u) { serials.push_back(u.serial); }, error));
  EXPECT_EQ(serials, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(Check(4, false, {"--no-db", "--db", db}).status, 2);
}

}  // namespace
}  // namespace padscope
