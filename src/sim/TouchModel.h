#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace padscope {

class SimScenario;

// Uniform in [0, 1): a pure function of its arguments, the simulated chip's
// source of noise.
double SimUnit(uint32_t seed, int channel, uint64_t index, uint64_t salt);

// One channel of the simulated touch-key chip at one frame.
struct TouchSample {
  uint16_t raw = 0;       // raw count as the chip measures it
  uint32_t strength = 0;  // how far the raw count stands above the tracked baseline
};

// Synthesises what the chip's 16 capacitive channels measure. Every sample is a
// pure function of (seed, channel, frame number), so a run can be repeated
// exactly and frames need not be produced in order. Immutable after
// construction; any thread may call it.
class TouchModel {
 public:
  static constexpr int kChannels = 16;

  // With a scenario, the scenario decides every sample.
  explicit TouchModel(uint32_t seed, std::shared_ptr<const SimScenario> scenario = nullptr);

  // Returns the sample of `channel` (0..15) at `frame`; other channels give {}.
  TouchSample Sample(int channel, uint64_t frame) const;

  // Returns the touch contribution alone (0 while the key is released).
  double TouchAt(int channel, uint64_t frame) const;

  // False for a scripted firmware that never sets key bits.
  bool ReportsKeyBits() const;

 private:
  struct Channel {
    double baseline = 0;
    double driftAmplitude = 0;
    double driftPeriod = 1;
    double driftPhase = 0;
    double noiseAmplitude = 0;
  };

  double NoiseAt(int channel, uint64_t frame) const;

  uint32_t seed_;
  std::array<Channel, kChannels> channels_;
  std::shared_ptr<const SimScenario> scenario_;
};

}  // namespace padscope
