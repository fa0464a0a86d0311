#include "results/ResultsSummary.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string_view>
#include <unordered_map>

namespace padscope {

namespace {

std::optional<double> FigureOf(const KeyRecord& k, Figure f) {
  switch (f) {
    case Figure::Snr:
      return k.snr;
    case Figure::Noise:
      return k.noise;
    case Figure::Signal:
      return k.signal;
    case Figure::FalseTouchMargin:
      return k.falseTouchMargin;
    case Figure::DetectionMargin:
      return k.detectionMargin;
  }
  return std::nullopt;
}

// The p-th quantile (0 to 1), interpolated between the two nearest values;
// reorders `v` (linear time, no full sort).
double Quantile(std::vector<double>& v, double p) {
  const double h = (static_cast<double>(v.size()) - 1) * p;
  const auto lo = static_cast<size_t>(std::floor(h));
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(lo), v.end());
  const double low = v[lo];
  const double fraction = h - static_cast<double>(lo);
  if (fraction == 0 || lo + 1 >= v.size()) {
    return low;
  }
  const double high = *std::min_element(v.begin() + static_cast<std::ptrdiff_t>(lo) + 1, v.end());
  if (low == high || std::isinf(high)) {
    return high;
  }
  return low + fraction * (high - low);
}

FigureSpread Spread(std::vector<double>& values) {
  FigureSpread s;
  s.count = values.size();
  if (values.empty()) {
    return s;
  }
  const auto [min, max] = std::minmax_element(values.begin(), values.end());
  s.min = *min;
  s.max = *max;
  s.p5 = Quantile(values, 0.05);
  s.median = Quantile(values, 0.5);
  return s;
}

std::optional<double> Cpk(const std::vector<double>& snrs, double minSnr) {
  double sum = 0;
  size_t n = 0;
  for (const double v : snrs) {
    if (std::isfinite(v)) {
      sum += v;
      ++n;
    }
  }
  if (n < 2) {
    return std::nullopt;
  }
  const double mean = sum / static_cast<double>(n);
  double squares = 0;
  for (const double v : snrs) {
    if (std::isfinite(v)) {
      squares += (v - mean) * (v - mean);
    }
  }
  const double sd = std::sqrt(squares / static_cast<double>(n - 1));
  if (sd == 0) {
    return mean >= minSnr ? std::numeric_limits<double>::infinity()
                          : -std::numeric_limits<double>::infinity();
  }
  return (mean - minSnr) / (3 * sd);
}

Histogram MakeHistogram(const std::vector<double>& snrs, double limit, size_t binCount) {
  Histogram h;
  h.low = limit;
  h.high = limit;
  for (const double v : snrs) {
    if (std::isfinite(v)) {
      h.low = std::min(h.low, v);
      h.high = std::max(h.high, v);
    }
  }
  if (h.high - h.low < 1e-9) {
    h.high = h.low + 1;
  }
  h.bins.assign(binCount, 0);
  for (const double v : snrs) {
    if (!std::isfinite(v)) {
      ++h.infinite;
      continue;
    }
    const double at = (v - h.low) / (h.high - h.low) * static_cast<double>(binCount);
    ++h.bins[std::min(binCount - 1, static_cast<size_t>(std::max(0.0, at)))];
  }
  return h;
}

}  // namespace

const char* FigureName(Figure figure) {
  static constexpr const char* kNames[] = {"snr", "noise", "signal", "false_touch_margin",
                                           "detection_margin"};
  return kNames[static_cast<int>(figure)];
}

const char* FigureTitle(Figure figure) {
  static constexpr const char* kTitles[] = {"SNR", "noise", "signal", "false-touch margin",
                                            "detection margin"};
  return kTitles[static_cast<int>(figure)];
}

void ResultsSummarizer::Add(const UnitRecord& unit) {
  auto station = std::find(stations_.begin(), stations_.end(), unit.station);
  if (station == stations_.end()) {
    station = stations_.insert(stations_.end(), unit.station);
  }
  runs_.push_back({unit.serial, static_cast<size_t>(station - stations_.begin()),
                   unit.verdict == "pass", keys_.size(), unit.keys.size()});
  for (const KeyRecord& k : unit.keys) {
    Key key{k.channel, {}, k.verdict == "pass", Text(k.verdict), Text(k.reason)};
    for (int f = 0; f < kFigures; ++f) {
      key.figures[static_cast<size_t>(f)] =
          FigureOf(k, static_cast<Figure>(f)).value_or(std::numeric_limits<double>::quiet_NaN());
    }
    keys_.push_back(key);
  }
}

uint32_t ResultsSummarizer::Text(const std::string& text) {
  const auto [it, inserted] = textIndex_.try_emplace(text, static_cast<uint32_t>(texts_.size()));
  if (inserted) {
    texts_.push_back(text);
  }
  return it->second;
}

std::vector<std::string> ResultsSummarizer::Stations() const {
  std::vector<std::string> names = stations_;
  std::sort(names.begin(), names.end());
  return names;
}

GroupSummary ResultsSummarizer::Summarize(const std::optional<std::string>& station) const {
  GroupSummary g;
  g.station = station.value_or("");
  // Runs arrive in start order: a serial's first run is its first-pass
  // result, its last the final one.
  std::unordered_map<std::string_view, std::pair<size_t, size_t>> serials;
  std::vector<size_t> latest;  // the run of each unit that counts
  std::vector<size_t> first;
  for (size_t i = 0; i < runs_.size(); ++i) {
    const Run& r = runs_[i];
    if (station && stations_[r.station] != *station) {
      continue;
    }
    ++g.runs;
    if (r.serial.empty()) {
      latest.push_back(i);
      first.push_back(i);
      continue;
    }
    auto [it, inserted] = serials.try_emplace(r.serial, latest.size(), i);
    if (inserted) {
      latest.push_back(i);
      first.push_back(i);
    } else {
      latest[it->second.first] = i;
    }
  }
  g.units = latest.size();
  for (size_t u = 0; u < latest.size(); ++u) {
    g.firstPassed += runs_[first[u]].passed;
    g.finalPassed += runs_[latest[u]].passed;
  }
  // Each key's results of the units that count, in one pass.
  std::map<int, std::vector<Candidate>> channels;
  for (const size_t i : latest) {
    const Run& r = runs_[i];
    for (size_t k = r.firstKey; k < r.firstKey + r.keyCount; ++k) {
      channels[keys_[k].channel].push_back({&r, &keys_[k]});
    }
  }
  for (auto& [channel, candidates] : channels) {
    g.keys.push_back(SummarizeKey(channel, candidates));
  }
  return g;
}

KeySummary ResultsSummarizer::SummarizeKey(int channel, std::vector<Candidate>& candidates) const {
  KeySummary s;
  s.channel = channel;
  s.units = candidates.size();
  std::array<std::vector<double>, kFigures> values;
  for (const Candidate& c : candidates) {
    s.passed += c.key->passed;
    for (size_t f = 0; f < kFigures; ++f) {
      if (!std::isnan(c.key->figures[f])) {
        values[f].push_back(c.key->figures[f]);
      }
    }
  }
  const std::vector<double>& snrs = values[static_cast<size_t>(Figure::Snr)];
  s.cpk = Cpk(snrs, options_.minSnr);
  s.histogram = MakeHistogram(snrs, options_.minSnr, options_.histogramBins);
  for (size_t f = 0; f < kFigures; ++f) {
    s.figures[f] = Spread(values[f]);
  }
  // A key without an SNR is worse than any measured one.
  const auto worse = [](const Candidate& a, const Candidate& b) {
    const double x = a.key->figures[0];
    const double y = b.key->figures[0];
    if (std::isnan(x) != std::isnan(y)) {
      return std::isnan(x);
    }
    if (!std::isnan(x) && x != y) {
      return x < y;
    }
    return a.run->serial < b.run->serial;
  };
  const size_t n = std::min(options_.worst, candidates.size());
  std::partial_sort(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(n),
                    candidates.end(), worse);
  for (size_t i = 0; i < n; ++i) {
    const Key& key = *candidates[i].key;
    s.worst.push_back({candidates[i].run->serial,
                       std::isnan(key.figures[0]) ? std::nullopt : std::optional(key.figures[0]),
                       texts_[key.verdict], texts_[key.reason]});
  }
  return s;
}

}  // namespace padscope
