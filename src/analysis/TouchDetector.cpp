#include "analysis/TouchDetector.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "analysis/AnalysisOptions.h"

namespace padscope {

namespace {

constexpr double kWarmupMs = 200;
constexpr int kMinWarmupFrames = 30;  // enough for a median of the noise
constexpr double kBaselineMs = 1000;  // the baseline's time constant
constexpr double kNoiseMs = 2000;     // the noise scale's
constexpr float kMinOutputRise = 3.0f;
// A run in a key's touch direction that lasts this many times its longest
// touch so far (but not under kMinShiftMs) is a new level, not a touch.
constexpr int32_t kShiftTouches = 4;
constexpr double kMinShiftMs = 5000;

float Enter(float noise) {
  return std::max(kEnterNoise * noise, kMinEnterCounts);
}

}  // namespace

DetectorTiming DetectorTiming::FromMs(double frameMs, double minTouchMs) {
  const double period = std::max(frameMs, 1e-3);
  DetectorTiming t;
  t.minTouch = std::max(1, static_cast<int>(std::ceil(minTouchMs / period - 1e-6)));
  t.maxTouch = std::max(t.minTouch + 1, static_cast<int>(std::ceil(kMaxTouchMs / period)));
  t.warmup =
      std::max({3 * t.minTouch, kMinWarmupFrames, static_cast<int>(std::ceil(kWarmupMs / period))});
  t.minShift = std::min(t.maxTouch, static_cast<int>(std::ceil(kMinShiftMs / period)));
  t.baselineAlpha = static_cast<float>(std::min(0.5, period / kBaselineMs));
  t.noiseAlpha = static_cast<float>(std::min(0.5, period / kNoiseMs));
  return t;
}

TouchDetectorBank::TouchDetectorBank(const DetectorTiming& timing) : timing_(timing) {
  free_.fill(1.0f);
}

void TouchDetectorBank::SetRunning(int k, bool running) {
  const auto bit = static_cast<uint16_t>(1u << k);
  running_ = running ? running_ | bit : running_ & static_cast<uint16_t>(~bit);
  free_[k] = running ? 0.0f : 1.0f;
}

int TouchDetectorBank::polarity(int k) const {
  const int32_t s = polarityScore_[static_cast<size_t>(k)];
  return s > 0 ? 1 : s < 0 ? -1 : 0;
}

double TouchDetectorBank::DriftBaseline(int k) const {
  const auto i = static_cast<size_t>(k);
  return static_cast<double>(origin_[i]) + base_[i] - shifts_[i];
}

double TouchDetectorBank::Baseline(int k) const {
  const auto i = static_cast<size_t>(k);
  return static_cast<double>(origin_[i]) + base_[i];
}

uint16_t TouchDetectorBank::Step(const int32_t* raw, const int32_t* output, int64_t n) {
  ++seen_;
  Lanes& out = out_;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    out[k] = static_cast<float>(output[k]);
  }
  if (seen_ == 1) {
    std::copy(raw, raw + kAnalysisChannels, origin_.begin());
    outIdle_ = out;
  }
  if (moved_ != 0xFFFF) {
    for (int k = 0; k < kAnalysisChannels; ++k) {
      moved_ |= raw[k] != origin_[k] ? static_cast<uint16_t>(1u << k) : 0;
    }
  }
  // The common frame: every key not in a run stays within its noise. Those
  // learn as one vector; only the keys in a run take a step of their own.
  // Without a branch: both tests are made for every key.
  int loud = 0;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    const float r = static_cast<float>(raw[k] - origin_[k]) - base_[k];
    residual_[k] = r;
    loud += static_cast<int>(std::fabs(r) >= Enter(noise_[k])) & static_cast<int>(free_[k] != 0.0f);
  }
  if (seen_ <= timing_.warmup) {
    // The first frames only set the levels; meanwhile the residual is about
    // their running mean.
    const float w = 1.0f / static_cast<float>(seen_);
    std::array<float, 2 * kAnalysisChannels> values{};
    for (int k = 0; k < kAnalysisChannels; ++k) {
      values[static_cast<size_t>(k)] = static_cast<float>(raw[k] - origin_[k]);
      values[static_cast<size_t>(k + kAnalysisChannels)] = out[k];
      base_[k] += w * residual_[k];
    }
    warmup_.push_back(values);
    if (seen_ == timing_.warmup) {
      SettleWarmup();
    }
    inRun_ = 0;
    return 0;
  }
  if (loud == 0) {
    LearnQuiet(running_ != 0);
    uint16_t reported = 0;
    uint16_t voided = 0;
    for (uint16_t lanes = running_; lanes != 0; lanes &= static_cast<uint16_t>(lanes - 1)) {
      const int k = std::countr_zero(lanes);
      events_[k] = Event::None;
      LaneStep(k, residual_[k], out[k], n);
      if (events_[k] != Event::None) {
        reported |= static_cast<uint16_t>(1u << k);
        voided |= events_[k] == Event::LevelChange ? static_cast<uint16_t>(1u << k) : 0;
      }
    }
    inRun_ = running_ | voided;
    return reported;
  }
  uint16_t reported = 0;
  uint16_t voided = 0;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    events_[k] = Event::None;
    const float d = residual_[k];
    if (runDir_[k] == 0 && std::fabs(d) < Enter(noise_[k])) {
      Learn(k, d, out[k]);
      continue;
    }
    LaneStep(k, d, out[k], n);
    if (events_[k] != Event::None) {
      reported |= static_cast<uint16_t>(1u << k);
      voided |= events_[k] == Event::LevelChange ? static_cast<uint16_t>(1u << k) : 0;
    }
  }
  inRun_ = running_ | voided;
  return reported;
}

void TouchDetectorBank::SettleWarmup() {
  // For uniform or normal noise the median step between neighbouring frames
  // is about 1.18 times the mean distance from the level.
  constexpr float kStepToNoise = 0.85f;
  const auto median = [](std::vector<float>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  std::vector<float> values;
  std::vector<float> steps;
  for (int k = 0; k < 2 * kAnalysisChannels; ++k) {
    values.clear();
    steps.clear();
    for (size_t i = 0; i < warmup_.size(); ++i) {
      values.push_back(warmup_[i][static_cast<size_t>(k)]);
      if (i > 0) {
        steps.push_back(
            std::fabs(warmup_[i][static_cast<size_t>(k)] - warmup_[i - 1][static_cast<size_t>(k)]));
      }
    }
    const float level = median(values);
    const float noise = steps.empty() ? 0.0f : kStepToNoise * median(steps);
    if (k < kAnalysisChannels) {
      base_[k] = level;
      noise_[k] = noise;
    } else {
      outIdle_[k - kAnalysisChannels] = level;
      outNoise_[k - kAnalysisChannels] = noise;
    }
  }
  warmup_.clear();
  warmup_.shrink_to_fit();
}

void TouchDetectorBank::LearnQuiet(bool masked) {
  const float a = timing_.baselineAlpha;
  const float b = timing_.noiseAlpha;
  if (!masked) {
    for (int k = 0; k < kAnalysisChannels; ++k) {
      base_[k] += a * residual_[k];
      noise_[k] += b * (std::fabs(residual_[k]) - noise_[k]);
    }
  } else {
    for (int k = 0; k < kAnalysisChannels; ++k) {
      base_[k] += free_[k] * a * residual_[k];
      noise_[k] += free_[k] * b * (std::fabs(residual_[k]) - noise_[k]);
    }
  }
  // The output's levels only tell a touch's direction: every fourth frame,
  // with four times the weight, is plenty.
  if ((seen_ & 3) == 0) {
    const float a4 = std::min(0.5f, 4 * a);
    const float b4 = std::min(0.5f, 4 * b);
    for (int k = 0; k < kAnalysisChannels; ++k) {
      outIdle_[k] += free_[k] * a4 * (out_[k] - outIdle_[k]);
      outNoise_[k] += free_[k] * b4 * (std::fabs(out_[k] - outIdle_[k]) - outNoise_[k]);
    }
  }
}

void TouchDetectorBank::Learn(int k, float d, float out) {
  base_[k] += timing_.baselineAlpha * d;
  noise_[k] += timing_.noiseAlpha * (std::fabs(d) - noise_[k]);
  outIdle_[k] += timing_.baselineAlpha * (out - outIdle_[k]);
  outNoise_[k] += timing_.noiseAlpha * (std::fabs(out - outIdle_[k]) - outNoise_[k]);
}

void TouchDetectorBank::StartRun(int k, float d, float out, int64_t n) {
  const float enter = Enter(noise_[k]);
  runDir_[k] = d > 0 ? 1 : -1;
  runStart_[k] = n;
  runLength_[k] = 1;
  runOut_[k] = out;
  confirmed_[k] = false;
  savedNoise_[k] = noise_[k];
  // A run that turns out to be noise (a spike) teaches the noise scale, which
  // so grows to noise it underestimated; a touch gives the lesson back.
  noise_[k] += timing_.noiseAlpha * (enter - noise_[k]);
  SetRunning(k, true);
}

void TouchDetectorBank::NewLevel(int k, float d) {
  base_[k] += d;
  shifts_[k] += d;
  ++restarts_[k];
  runDir_[k] = 0;
  confirmed_[k] = false;
  SetRunning(k, false);
  events_[k] = Event::LevelChange;
}

void TouchDetectorBank::LaneStep(int k, float d, float out, int64_t n) {
  if (runDir_[k] == 0) {
    StartRun(k, d, out, n);
    return;
  }
  const float enter = Enter(noise_[k]);
  ++runFrames_[k];
  if (runDir_[k] * d > enter * (kExitNoise / kEnterNoise)) {
    ++runLength_[k];
    runOut_[k] += out;
    if (confirmed_[k]) {
      const int32_t longest = longestTouch_[k] > 0 ? std::clamp(kShiftTouches * longestTouch_[k],
                                                                timing_.minShift, timing_.maxTouch)
                                                   : timing_.maxTouch;
      if (runLength_[k] > longest) {
        NewLevel(k, d);
      }
      return;
    }
    noise_[k] += timing_.noiseAlpha * (std::min(std::fabs(d), enter) - noise_[k]);
    if (runLength_[k] < timing_.minTouch) {
      return;
    }
    // The chip's output rises with a touch: it tells which way this key's
    // touches go, whatever the chip's threshold.
    const float rise = static_cast<float>(runOut_[k] / runLength_[k]) - outIdle_[k];
    const float level = std::max(kMinOutputRise, kEnterNoise * outNoise_[k]);
    polarityScore_[k] += rise > level ? 2 * runDir_[k] : rise < -level ? -2 * runDir_[k] : 0;
    noise_[k] = savedNoise_[k];
    if (polarity(k) == -runDir_[k]) {
      NewLevel(k, d);  // away from the touch direction: the idle level moved
      return;
    }
    confirmed_[k] = true;
    events_[k] = Event::Confirmed;
    return;
  }
  runEnd_[k] = n - 1;
  if (confirmed_[k]) {
    polarityScore_[k] += polarityScore_[k] == 0 ? runDir_[k] : 0;
    longestTouch_[k] = std::max(longestTouch_[k], runLength_[k]);
  }
  EndRun(k);
  if (std::fabs(d) >= enter) {
    StartRun(k, d, out, n);
  } else {
    Learn(k, d, out);
  }
}

bool TouchDetectorBank::EndRun(int k) {
  const bool touch = confirmed_[k];
  if (touch) {
    events_[k] = Event::Ended;
  } else {
    events_[k] = Event::Spike;
    ++spikes_[k];
  }
  runDir_[k] = 0;
  confirmed_[k] = false;
  SetRunning(k, false);
  return touch;
}

uint16_t TouchDetectorBank::Close(int64_t lastFrame) {
  uint16_t ended = 0;
  for (int k = 0; k < kAnalysisChannels; ++k) {
    events_[k] = Event::None;
    if (runDir_[k] == 0) {
      continue;
    }
    runEnd_[k] = lastFrame;
    if (EndRun(k)) {
      ended |= static_cast<uint16_t>(1u << k);
    }
  }
  return ended;
}

}  // namespace padscope
