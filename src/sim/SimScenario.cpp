#include "sim/SimScenario.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "platform/FileBytes.h"
#include "support/NumberText.h"

namespace padscope {

namespace {

constexpr size_t kMaxScenarioBytes = 64 * 1024;
constexpr double kMaxRate = 100000;
constexpr double kMaxSeconds = 1e7;
constexpr uint64_t kNoiseSalt = 7;

// "A+B" or "A=B" into two numbers.
bool Pair(const std::string& word, char separator, double& a, double& b, double aMax, double bMin,
          double bMax) {
  const size_t at = word.find(separator);
  return at != std::string::npos && ParseDecimal(word.substr(0, at), 0, aMax, a) &&
         ParseDecimal(word.substr(at + 1), bMin, bMax, b);
}

// The channel field a plain "NAME VALUE" word pair sets, if any.
double* NumberField(SimScenario::Channel& c, const std::string& key) {
  if (key == "baseline") {
    return &c.baseline;
  }
  if (key == "noise") {
    return &c.noise;
  }
  if (key == "touch") {
    return &c.touch;
  }
  if (key == "gate") {
    return &c.gate;
  }
  if (key == "drift") {
    return &c.driftPerMinute;
  }
  return key == "stuck" ? &c.stuck : nullptr;
}

bool InSchedule(const SimScenario::Periodic& p, uint64_t frame) {
  return p.period > 0 && frame >= p.start && (frame - p.start) % p.period < p.length;
}

std::optional<SimLayout> LayoutNamed(const std::string& name) {
  if (name == "single16") {
    return SimLayout::Single16;
  }
  if (name == "double8") {
    return SimLayout::Double8Marked;
  }
  if (name == "double8-plain") {
    return SimLayout::Double8Plain;
  }
  if (name == "single1") {
    return SimLayout::Single1;
  }
  if (name == "single4") {
    return SimLayout::Single4;
  }
  return std::nullopt;
}

}  // namespace

std::optional<SimScenario> SimScenario::Parse(std::string_view text, std::string& error) {
  SimScenario s;
  std::istringstream lines{std::string(text)};
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) {
      words.push_back(w);
    }
    if (!words.empty() && !s.ParseLine(words, error)) {
      error = "scenario line " + std::to_string(number) + ": " + error;
      return std::nullopt;
    }
  }
  // Times become chip frames once the rate is known, wherever it was given.
  const auto frames = [&](double seconds) {
    return static_cast<uint64_t>(std::llround(seconds * s.rate_));
  };
  for (const Pending& p : s.pending_) {
    Channel& c = s.channels_[static_cast<size_t>(p.channel)];
    const uint64_t start = frames(p.start);
    const uint64_t length = std::max<uint64_t>(1, frames(p.length));
    const uint64_t period = std::max<uint64_t>(1, frames(p.period));
    switch (p.kind) {
      case PendingKind::Every:
        c.every = {period, start, length};
        break;
      case PendingKind::Spikes:
        c.spikes = {period, start, 1};
        break;
      case PendingKind::Restart:
        c.restarts.push_back({start, p.length});
        break;
      case PendingKind::Touch:
        c.touches.push_back({start, length});
        break;
    }
  }
  for (Channel& c : s.channels_) {
    std::sort(c.restarts.begin(), c.restarts.end(),
              [](const Restart& a, const Restart& b) { return a.frame < b.frame; });
  }
  s.pending_.clear();
  return s;
}

std::optional<SimScenario> SimScenario::Load(const std::filesystem::path& path,
                                             std::string& error) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, kMaxScenarioBytes + 1, bytes)) {
    error = "cannot read the scenario file " + path.string();
    return std::nullopt;
  }
  if (bytes.size() > kMaxScenarioBytes) {
    error = "the scenario file is larger than 64 KiB: " + path.string();
    return std::nullopt;
  }
  return Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}

bool SimScenario::ParseLine(const std::vector<std::string>& words, std::string& error) {
  const std::string& key = words[0];
  if (key == "channel") {
    return ParseChannel(words, error);
  }
  if (words.size() != 2) {
    error = "expected \"" + key + " VALUE\"";
    return false;
  }
  double v = 0;
  if (key == "rate" && ParseDecimal(words[1], 1e-3, kMaxRate, v)) {
    rate_ = v;
  } else if (key == "seed" && ParseDecimal(words[1], 0, 4294967295.0, v) && v == std::floor(v)) {
    seed_ = static_cast<uint32_t>(v);
  } else if (key == "layout" && LayoutNamed(words[1])) {
    layout_ = LayoutNamed(words[1]);
  } else if (key == "keybits" && (words[1] == "on" || words[1] == "off")) {
    keyBits_ = words[1] == "on";
  } else if (key == "rate" || key == "seed" || key == "layout" || key == "keybits") {
    error = "bad value for " + key + ": " + words[1];
    return false;
  } else {
    error = "unknown statement: " + key;
    return false;
  }
  return true;
}

bool SimScenario::ParseChannel(const std::vector<std::string>& words, std::string& error) {
  double k = 0;
  if (words.size() < 2 || !ParseDecimal(words[1], 0, kChannels - 1, k) || k != std::floor(k)) {
    error = "expected \"channel K\" with K from 0 to 15";
    return false;
  }
  const int index = static_cast<int>(k);
  Channel& c = channels_[static_cast<size_t>(index)];
  auto bad = [&](const std::string& what) {
    error = "channel " + std::to_string(index) + ": bad " + what;
    return false;
  };
  for (size_t i = 2; i < words.size();) {
    const std::string& key = words[i++];
    const bool hasValue = i < words.size();
    if (double* field = NumberField(c, key)) {
      // A touch may lower the raw count; a drift may go either way.
      const double low = key == "baseline" ? 1 : key == "touch" || key == "drift" ? -65535 : 0;
      if (!hasValue || !ParseDecimal(words[i++], low, 65535, *field)) {
        return bad(key);
      }
    } else if (key == "threshold") {
      double t = 0;
      if (!hasValue || !ParseDecimal(words[i++], 0, 255, t) || t != std::floor(t)) {
        return bad(key);
      }
      c.threshold = static_cast<uint8_t>(t);
    } else if (key == "at" || key == "crosstalk" || key == "restart") {
      const char separator = key == "at" ? '+' : '=';
      if (!hasValue || words[i].find(separator, 1) == std::string::npos) {
        return bad(key == "at"          ? "\"at START+LENGTH\""
                   : key == "crosstalk" ? "\"crosstalk J=SHARE\""
                                        : "\"restart TIME=STEP\"");
      }
      for (; i < words.size() && words[i].find(separator, 1) != std::string::npos; ++i) {
        const bool ok = key == "at"          ? AddTouch(index, words[i])
                        : key == "crosstalk" ? AddCrosstalk(index, words[i])
                                             : AddRestart(index, words[i]);
        if (!ok) {
          return bad((key == "at" ? "touch time " : key + " ") + words[i]);
        }
      }
    } else if (key == "spikes") {
      double period = 0;
      double start = 0;
      if (i + 5 > words.size() || !ParseDecimal(words[i], -65535, 65535, c.spike) ||
          words[i + 1] != "every" || !ParseDecimal(words[i + 2], 1e-9, kMaxSeconds, period) ||
          words[i + 3] != "from" || !ParseDecimal(words[i + 4], 0, kMaxSeconds, start)) {
        return bad("\"spikes HEIGHT every PERIOD from START\"");
      }
      i += 5;
      pending_.push_back({index, PendingKind::Spikes, start, 0, period});
    } else if (key == "every") {
      double period = 0;
      double start = 0;
      double length = 0;
      if (i + 5 > words.size() || !ParseDecimal(words[i], 1e-9, kMaxSeconds, period) ||
          words[i + 1] != "from" || !ParseDecimal(words[i + 2], 0, kMaxSeconds, start) ||
          words[i + 3] != "for" || !ParseDecimal(words[i + 4], 1e-9, period, length)) {
        return bad("\"every PERIOD from START for LENGTH\"");
      }
      i += 5;
      pending_.push_back({index, PendingKind::Every, start, length, period});
    } else {
      return bad("word: " + key);
    }
  }
  return true;
}

bool SimScenario::AddTouch(int channel, const std::string& word) {
  double start = 0;
  double length = 0;
  if (!Pair(word, '+', start, length, kMaxSeconds, 1e-9, kMaxSeconds)) {
    return false;
  }
  pending_.push_back({channel, PendingKind::Touch, start, length, 0});
  return true;
}

bool SimScenario::AddRestart(int channel, const std::string& word) {
  double at = 0;
  double step = 0;
  if (!Pair(word, '=', at, step, kMaxSeconds, -65535, 65535)) {
    return false;
  }
  pending_.push_back({channel, PendingKind::Restart, at, step, 0});
  return true;
}

bool SimScenario::AddCrosstalk(int channel, const std::string& word) {
  double j = 0;
  double share = 0;
  if (!Pair(word, '=', j, share, kChannels - 1, -1, 1) || j != std::floor(j) ||
      static_cast<int>(j) == channel) {
    return false;
  }
  channels_[static_cast<size_t>(channel)].crosstalk[static_cast<size_t>(j)] = share;
  return true;
}

double SimScenario::TouchAt(int channel, uint64_t frame) const {
  const Channel& c = channels_[static_cast<size_t>(channel)];
  if (c.touch == 0) {
    return 0;
  }
  if (InSchedule(c.every, frame)) {
    return c.touch;
  }
  for (const Touch& t : c.touches) {
    if (frame >= t.start && frame - t.start < t.length) {
      return c.touch;
    }
  }
  return 0;
}

TouchSample SimScenario::Sample(uint32_t seed, int channel, uint64_t frame) const {
  if (channel < 0 || channel >= kChannels) {
    return {};
  }
  const Channel& c = channels_[static_cast<size_t>(channel)];
  const double chipBaseline = ChipBaseline(c, frame);
  double value = chipBaseline + c.noise * (2 * SimUnit(seed, channel, frame, kNoiseSalt) - 1) +
                 TouchAt(channel, frame) + c.stuck + (InSchedule(c.spikes, frame) ? c.spike : 0);
  for (int other = 0; other < kChannels; ++other) {
    const double share =
        channels_[static_cast<size_t>(other)].crosstalk[static_cast<size_t>(channel)];
    if (share != 0) {
      value += share * TouchAt(other, frame);
    }
  }
  TouchSample s;
  s.raw = static_cast<uint16_t>(std::clamp(std::round(value), 1.0, 65535.0));
  // The key value counts in the direction a touch moves this channel.
  const double beyond = (c.touch < 0 ? -1.0 : 1.0) * (s.raw - std::round(chipBaseline));
  s.strength = beyond < std::max(c.gate, 0.0) ? 0 : static_cast<uint32_t>(beyond);
  return s;
}

double SimScenario::ChipBaseline(const Channel& c, uint64_t frame) const {
  double b = c.baseline + c.driftPerMinute * static_cast<double>(frame) / (60.0 * rate_);
  for (const Restart& r : c.restarts) {
    if (r.frame > frame) {
      break;
    }
    b += r.step;
  }
  return b;
}

std::array<uint8_t, SimScenario::kChannels> SimScenario::ChipThresholds(uint8_t fallback) const {
  std::array<uint8_t, kChannels> t{};
  for (int k = 0; k < kChannels; ++k) {
    t[static_cast<size_t>(k)] = channels_[static_cast<size_t>(k)].threshold.value_or(fallback);
  }
  return t;
}

SimConfig WithScenario(SimConfig config, std::shared_ptr<const SimScenario> scenario) {
  if (scenario) {
    if (config.framesPerSecond > 0) {
      config.framesPerSecond = scenario->rate();
    }
    config.layout = scenario->layout().value_or(config.layout);
    config.seed = scenario->seed().value_or(config.seed);
  }
  config.scenario = std::move(scenario);
  return config;
}

}  // namespace padscope
