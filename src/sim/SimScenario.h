#pragma once

// A scripted touch chip for the simulated adapter: per channel a baseline, a
// noise amplitude, a touch amplitude with a touch schedule, and crosstalk to
// named neighbours, read from a small text file. Tests and demonstrations get
// a known truth to measure against.
//
// File format, one statement a line, '#' starts a comment:
//   rate R                    chip scans per second (default 100); times are in seconds
//   layout single16|double8|double8-plain|single1|single4
//   seed N
//   keybits on|off            off: firmware that never sets a key bit
//   channel K [baseline B] [noise A] [touch T] [at S+L ...]
//             [every P from S for L] [crosstalk J=SHARE ...] [threshold C]
//             [gate G] [drift R] [restart S=STEP ...] [spikes H every P from S]
//             [stuck W]
// Noise is uniform within +-A counts on the raw count; a touch adds T counts
// (negative: the raw count falls) for L seconds from S; while channel K is
// touched, neighbour J moves by SHARE x K's touch. The baseline drifts by R
// counts a minute and steps by STEP at a chip restart at S seconds; the chip
// follows both. A spike adds H counts for one frame; a water film (stuck)
// adds W counts the chip never follows. The key value is how far the raw
// count stands beyond the chip's baseline in the touch's direction (never
// below 0, 0 below the gate G), and the key bit is set while it exceeds the
// threshold C (default 60). Channels not named stay at baseline 1000 with no
// noise.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimulatedAdapter.h"
#include "sim/TouchModel.h"

namespace padscope {

class SimScenario {
 public:
  static constexpr int kChannels = TouchModel::kChannels;

  struct Touch {
    uint64_t start = 0;  // first frame
    uint64_t length = 0;
  };
  struct Periodic {
    uint64_t period = 0;  // 0: none
    uint64_t start = 0;
    uint64_t length = 0;
  };
  struct Restart {
    uint64_t frame = 0;
    double step = 0;
  };
  struct Channel {
    double baseline = 1000;
    double noise = 0;
    double touch = 0;
    std::vector<Touch> touches;
    Periodic every;
    std::array<double, kChannels> crosstalk{};  // share of this key's touch on each neighbour
    std::optional<uint8_t> threshold;           // the chip's, when the scenario sets it
    double gate = 0;                            // key values below it read 0
    double driftPerMinute = 0;
    std::vector<Restart> restarts;  // in frame order
    double spike = 0;               // height of the one-frame spikes
    Periodic spikes;                // their schedule (length 1)
    double stuck = 0;               // a water film's counts, present from power-on
  };

  // Parses a scenario. On failure returns nothing and sets `error` to one line
  // naming the line number and what is wrong.
  static std::optional<SimScenario> Parse(std::string_view text, std::string& error);
  // Reads and parses a file (at most 64 KiB).
  static std::optional<SimScenario> Load(const std::filesystem::path& path, std::string& error);

  // The sample of `channel` at chip frame `frame`; a pure function, so any
  // thread may call it.
  TouchSample Sample(uint32_t seed, int channel, uint64_t frame) const;
  // The touch contribution of `channel` alone (0 while released).
  double TouchAt(int channel, uint64_t frame) const;

  double rate() const { return rate_; }
  std::optional<SimLayout> layout() const { return layout_; }
  std::optional<uint32_t> seed() const { return seed_; }
  bool keyBits() const { return keyBits_; }
  // The chip's power-on thresholds: the scenario's, else `fallback`.
  std::array<uint8_t, kChannels> ChipThresholds(uint8_t fallback) const;
  const Channel& channel(int k) const { return channels_[static_cast<size_t>(k)]; }

 private:
  bool ParseLine(const std::vector<std::string>& words, std::string& error);
  bool ParseChannel(const std::vector<std::string>& words, std::string& error);
  // One "START+LENGTH" touch or "J=SHARE" crosstalk word of a channel line.
  bool AddTouch(int channel, const std::string& word);
  bool AddCrosstalk(int channel, const std::string& word);
  bool AddRestart(int channel, const std::string& word);
  // The chip's baseline of `channel` at `frame`: the scripted one with its
  // drift and restart steps.
  double ChipBaseline(const Channel& c, uint64_t frame) const;

  double rate_ = 100;
  std::optional<SimLayout> layout_;
  std::optional<uint32_t> seed_;
  bool keyBits_ = true;
  std::array<Channel, kChannels> channels_{};
  // Schedules are kept in seconds until the whole file (and its rate) is read.
  enum class PendingKind { Touch, Every, Restart, Spikes };
  struct Pending {
    int channel;
    PendingKind kind;
    double start, length, period;  // a restart's step in `length`
  };
  std::vector<Pending> pending_;
};

// A simulated adapter configuration with the scenario's rate, layout and seed
// applied over `config`.
SimConfig WithScenario(SimConfig config, std::shared_ptr<const SimScenario> scenario);

}  // namespace padscope
