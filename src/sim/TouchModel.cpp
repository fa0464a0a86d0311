#include "sim/TouchModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/SimScenario.h"

namespace padscope {

namespace {

// Touches are scheduled per window of this many frames, at most one per window,
// so that any frame's touch state can be computed without replaying history.
constexpr uint64_t kTouchWindow = 600;
constexpr uint64_t kMaxTouchLength = 12 + 120 + 15;

uint64_t Mix(uint64_t x) {
  // splitmix64 finaliser: cheap and well spread, enough for noise.
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

uint64_t Hash(uint32_t seed, int channel, uint64_t index, uint64_t salt) {
  uint64_t h = Mix(seed ^ (salt << 40));
  h = Mix(h ^ static_cast<uint64_t>(channel));
  return Mix(h ^ index);
}

// Uniform in [0, 1).
double Unit(uint64_t h) {
  return static_cast<double>(h >> 11) * 0x1.0p-53;
}

// A raised-cosine step from 0 to 1 over `length` frames.
double SmoothStep(double t, double length) {
  return 0.5 - 0.5 * std::cos(std::numbers::pi * std::clamp(t / length, 0.0, 1.0));
}

}  // namespace

double SimUnit(uint32_t seed, int channel, uint64_t index, uint64_t salt) {
  return Unit(Hash(seed, channel, index, salt));
}

TouchModel::TouchModel(uint32_t seed, std::shared_ptr<const SimScenario> scenario)
    : seed_(seed), scenario_(std::move(scenario)) {
  for (int c = 0; c < kChannels; ++c) {
    const uint64_t h = Hash(seed, c, 0, 1);
    Channel& ch = channels_[c];
    // Baselines within the waveform view's default window (values -2000 to
    // 2000), touches included, so a first run shows every channel.
    ch.baseline = 200.0 + static_cast<double>(h % 1200);
    ch.driftAmplitude = 10.0 + Unit(Mix(h ^ 1)) * 30.0;
    ch.driftPeriod = 3000.0 + Unit(Mix(h ^ 2)) * 9000.0;
    ch.driftPhase = Unit(Mix(h ^ 3));
    ch.noiseAmplitude = 1.5 + Unit(Mix(h ^ 4)) * 1.5;
  }
}

double TouchModel::NoiseAt(int channel, uint64_t frame) const {
  // The sum of three uniforms is close enough to Gaussian sensor noise and stays
  // bounded (±3 amplitudes), so an untouched key never crosses a sane threshold.
  const uint64_t h = Hash(seed_, channel, frame, 2);
  const double u = Unit(h) + Unit(Mix(h ^ 1)) + Unit(Mix(h ^ 2)) - 1.5;
  return 2.0 * u * channels_[channel].noiseAmplitude;
}

double TouchModel::TouchAt(int channel, uint64_t frame) const {
  if (scenario_) {
    return channel >= 0 && channel < kChannels ? scenario_->TouchAt(channel, frame) : 0.0;
  }
  const uint64_t window = frame / kTouchWindow;
  const uint64_t h = Hash(seed_, channel, window, 3);
  if (h % 100 >= 40) {  // a key is touched in 40% of windows
    return 0.0;
  }
  const double rise = 3 + static_cast<double>((h >> 8) % 10);
  const double hold = 10 + static_cast<double>((h >> 16) % 111);
  const double fall = 3 + static_cast<double>((h >> 24) % 13);
  const uint64_t start = (h >> 32) % (kTouchWindow - kMaxTouchLength);
  // A touch lifts the count by 80 to 300: with noise and drift the span of a
  // touch stays within what a one-byte threshold of 0.625 times it can hold.
  const double amplitude = 80 + static_cast<double>((h >> 44) % 221);

  const uint64_t pos = frame % kTouchWindow;
  if (pos < start) {
    return 0.0;
  }
  const double t = static_cast<double>(pos - start);
  if (t < rise) {
    return amplitude * SmoothStep(t + 1, rise);
  }
  if (t < rise + hold) {
    return amplitude;
  }
  return amplitude * (1.0 - SmoothStep(t - rise - hold + 1, fall));
}

bool TouchModel::ReportsKeyBits() const {
  return !scenario_ || scenario_->keyBits();
}

TouchSample TouchModel::Sample(int channel, uint64_t frame) const {
  if (scenario_) {
    return scenario_->Sample(seed_, channel, frame);
  }
  if (channel < 0 || channel >= kChannels) {
    return {};
  }
  const Channel& ch = channels_[channel];
  const double phase = static_cast<double>(frame) / ch.driftPeriod + ch.driftPhase;
  const double drift = ch.driftAmplitude * std::sin(2.0 * std::numbers::pi * phase);
  // The chip's baseline tracker follows the slow drift but not touches or noise.
  const double tracked = std::round(ch.baseline + drift);
  const double raw =
      std::round(ch.baseline + drift + NoiseAt(channel, frame) + TouchAt(channel, frame));

  TouchSample s;
  s.raw = static_cast<uint16_t>(std::clamp(raw, 1.0, 65535.0));
  s.strength = static_cast<uint32_t>(std::max(0.0, static_cast<double>(s.raw) - tracked));
  return s;
}

}  // namespace padscope
