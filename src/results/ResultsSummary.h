#pragma once

// The statistics `padscope-cli results` reports over the stored units: per
// key the units, pass rate, spread of each figure, the Cpk of the SNR against
// the minimum and the worst units; first-pass and final yield; the same for
// each station.
//
// A unit is a serial: a serial tested again counts once, with its latest run,
// in the key figures and the final yield, and with its first run in the
// first-pass yield. Runs without a serial each count as a unit of their own.
// A figure a run does not give (an untouched key has no SNR) is left out of
// that figure's statistics.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "results/UnitRecord.h"

namespace padscope {

enum class Figure { Snr, Noise, Signal, FalseTouchMargin, DetectionMargin };
inline constexpr int kFigures = 5;

// "snr", "noise", "signal", "false_touch_margin", "detection_margin".
const char* FigureName(Figure figure);
// "SNR", "noise", "signal", "false-touch margin", "detection margin".
const char* FigureTitle(Figure figure);

// Minimum, 5th percentile, median and maximum (percentiles interpolated
// between the two nearest values).
struct FigureSpread {
  size_t count = 0;  // 0: none of the units gives the figure
  double min = 0;
  double p5 = 0;
  double median = 0;
  double max = 0;
};

struct WorstUnit {
  std::string serial;
  std::optional<double> snr;  // nothing: the key gave no SNR
  std::string verdict;
  std::string reason;
};

// SNR counts in equal bins from `low` to `high` (the limit included), for the
// report's histogram; infinite SNRs (a key without noise) apart.
struct Histogram {
  double low = 0;
  double high = 0;
  std::vector<size_t> bins;
  size_t infinite = 0;
};

struct KeySummary {
  int channel = 0;
  size_t units = 0;
  size_t passed = 0;
  std::array<FigureSpread, kFigures> figures{};
  // (mean - minimum SNR) / (3 standard deviations) over the finite SNRs;
  // nothing for fewer than two.
  std::optional<double> cpk;
  std::vector<WorstUnit> worst;  // the lowest SNRs first
  Histogram histogram;
};

struct GroupSummary {
  std::string station;  // empty: every station
  size_t runs = 0;
  size_t units = 0;
  size_t firstPassed = 0;
  size_t finalPassed = 0;
  std::vector<KeySummary> keys;  // in key order
};

struct SummaryOptions {
  double minSnr = 5.0;
  size_t worst = 5;
  size_t histogramBins = 20;
};

// Collects the units of a store read, then sums them up.
class ResultsSummarizer {
 public:
  explicit ResultsSummarizer(SummaryOptions options) : options_(options) {}

  void Add(const UnitRecord& unit);
  // Everything, then each station in name order.
  GroupSummary Summarize(const std::optional<std::string>& station) const;
  std::vector<std::string> Stations() const;

 private:
  struct Key {
    int channel;
    std::array<double, kFigures> figures;  // NaN: not given (kept small: a key per row)
    bool passed;
    uint32_t verdict;  // in texts_
    uint32_t reason;
  };
  struct Run {
    std::string serial;
    size_t station;
    bool passed;
    size_t firstKey;
    size_t keyCount;
  };

  struct Candidate {
    const Run* run;
    const Key* key;
  };
  KeySummary SummarizeKey(int channel, std::vector<Candidate>& candidates) const;
  // Verdicts and reasons repeat across units: each is kept once.
  uint32_t Text(const std::string& text);

  SummaryOptions options_;
  std::vector<std::string> stations_;
  std::deque<Run> runs_;  // no copying as they grow
  std::deque<Key> keys_;
  std::vector<std::string> texts_;
  std::unordered_map<std::string, uint32_t> textIndex_;
};

}  // namespace padscope
