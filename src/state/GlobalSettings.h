#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace padscope {

inline constexpr int kSettingsChannelCount = 16;
inline constexpr std::size_t kSettingsImageSize = 1248;
inline constexpr std::size_t kChannelConfigSize = 68;

// Bit 7 of a channel's flags byte: the channel is shown and tracked.
inline constexpr uint8_t kChannelEnabled = 0x80;

// Returns base + delta clamped to the int32 range, so that values from a
// garbage settings file cannot make an effective value overflow.
int32_t AddClamped(int32_t base, int32_t delta);

// One channel's entry of the settings record. The in-memory layout is the file
// layout (asserted below); the file is still read and written field by field in
// little-endian order (SettingsFile.h), so the image is right on any host.
//
// The capture thread writes secondMax, rawMin and rawMax while the UI thread
// reads them to paint. They stay plain int32 shared without a lock; the capture
// thread goes through std::atomic_ref, which the natural alignment asserted
// below allows.
struct ChannelConfig {
  uint8_t flags = 0;                                      // bit 7: kChannelEnabled
  std::array<uint8_t, 3> flagsReserved{};                 // rest of the flags word
  std::array<int32_t, 6> reserved{155, 0, 220, 0, 0, 0};  // kept, not interpreted
  int32_t threshold = 40;
  int32_t thresholdDelta = 0;
  int32_t secondMax = 255;
  int32_t secondMaxDelta = 0;
  int32_t secondMin = 0;
  int32_t secondMinDelta = 0;
  int32_t baseline = 0;
  int32_t rawMax = 300;
  int32_t rawMin = 0;
  int32_t expanded = 1;

  // Base + pending drag delta, clamped to int32. Any thread.
  int32_t EffectiveThreshold() const { return AddClamped(threshold, thresholdDelta); }
  int32_t EffectiveSecondMax() const { return AddClamped(secondMax, secondMaxDelta); }
  int32_t EffectiveSecondMin() const { return AddClamped(secondMin, secondMinDelta); }

  bool operator==(const ChannelConfig&) const = default;
};

// The process-wide settings record: acquisition parameters, display settings
// and one ChannelConfig per channel. Draggable values are a base plus a pending
// delta; readers use the Effective…() accessors.
//
// Shared without a lock: the UI thread owns it, the capture thread writes
// singleByteMode and the per-channel statistics (secondMax, rawMin, rawMax).
// Loading happens before any capture thread exists and saving after it ended.
struct GlobalSettings {
  int32_t header = 0;         // carries no setting; written as zero, ignored on load
  int32_t parameterMode = 1;  // 1 MA algorithm, 2 INTE algorithm
  uint16_t samplingTimes = 16;
  uint16_t samplingElapseTenths = 0;  // sampling elapse in 0.1 ms
  int32_t chTimer = 4;
  int32_t reserved16 = 0;
  int32_t maxHoldKeyTime = 5;
  int32_t debounceTime = 4;  // holds the global threshold when parameterMode is 2
  int32_t noComposeKey = 1;
  int32_t rangeMax = 4000;
  int32_t rangeMaxDelta = 0;
  int32_t rangeMin = 0;
  int32_t rangeMinDelta = 0;
  int32_t zoom = 1;
  int32_t zoomDelta = 0;
  int32_t keyRangeMax = 100;
  int32_t keyRangeMaxDelta = 0;
  int32_t keyRangeMin = 0;
  int32_t keyRangeMinDelta = 0;
  int32_t timeAxisMode = 1;           // 1 time, 0 frame number
  int32_t highPrecisionSampling = 1;  // 1 high, 0 low
  int32_t lowRangeAsBottom = 0;
  int32_t reserved84 = 1;
  int32_t singleByteMode = 1;  // 1 "Single 16TK", 0 "Double 8TK"; capture thread writes it
  // Trace colour of each channel, 0x00BBGGRR.
  std::array<uint32_t, kSettingsChannelCount> channelColor{
      0x0000FF, 0x00FF00, 0xFFFFFF, 0x00FFFF, 0xFFFF00, 0xFF00FF, 0xFF901E, 0x0080FF,
      0x80FF00, 0xFF6464, 0x14A0DC, 0x8CDC28, 0xDC0AA0, 0x8080A0, 0x3280FF, 0x8032FF};
  int32_t bufferFrames = 1638400;  // frame buffer capacity, a multiple of 1024
  std::array<ChannelConfig, kSettingsChannelCount> channel{};

  // The one record of the process, built with the defaults on first call.
  // The reference stays valid until process end. Any thread (see above).
  static GlobalSettings& Instance();

  // Puts Instance() back to the defaults so that tests never share state.
  // Only while no other thread uses the record.
  static void ResetInstanceForTest();

  // Base + pending drag delta, clamped to int32. Any thread.
  int32_t EffectiveRangeMax() const { return AddClamped(rangeMax, rangeMaxDelta); }
  int32_t EffectiveRangeMin() const { return AddClamped(rangeMin, rangeMinDelta); }
  int32_t EffectiveKeyRangeMax() const { return AddClamped(keyRangeMax, keyRangeMaxDelta); }
  int32_t EffectiveKeyRangeMin() const { return AddClamped(keyRangeMin, keyRangeMinDelta); }
  int32_t EffectiveZoom() const { return AddClamped(zoom, zoomDelta); }

  // Number of channels whose flags byte has bit 7 set, 0 to 16.
  int ShownChannelCount() const;

  bool operator==(const GlobalSettings&) const = default;
};

// Flag operations on one flags byte: test shown, hide (byte 0), show (0x80).
inline bool IsFlagShown(uint8_t flags) {
  return (flags & kChannelEnabled) != 0;
}
inline void HideFlag(uint8_t& flags) {
  flags = 0;
}
inline void ShowFlag(uint8_t& flags) {
  flags = kChannelEnabled;
}

// The same on a channel entry. ShowChannel sets the flags only; callers that
// also expand the channel box set `expanded` themselves.
inline bool IsChannelEnabled(const ChannelConfig& entry) {
  return IsFlagShown(entry.flags);
}
inline void HideChannel(ChannelConfig& entry) {
  HideFlag(entry.flags);
}
inline void ShowChannel(ChannelConfig& entry) {
  ShowFlag(entry.flags);
}

// The file image and the in-memory record have the same layout.
static_assert(sizeof(ChannelConfig) == kChannelConfigSize);
static_assert(offsetof(ChannelConfig, flags) == 0);
static_assert(offsetof(ChannelConfig, flagsReserved) == 1);
static_assert(offsetof(ChannelConfig, reserved) == 4);
static_assert(offsetof(ChannelConfig, threshold) == 28);
static_assert(offsetof(ChannelConfig, thresholdDelta) == 32);
static_assert(offsetof(ChannelConfig, secondMax) == 36);
static_assert(offsetof(ChannelConfig, secondMaxDelta) == 40);
static_assert(offsetof(ChannelConfig, secondMin) == 44);
static_assert(offsetof(ChannelConfig, secondMinDelta) == 48);
static_assert(offsetof(ChannelConfig, baseline) == 52);
static_assert(offsetof(ChannelConfig, rawMax) == 56);
static_assert(offsetof(ChannelConfig, rawMin) == 60);
static_assert(offsetof(ChannelConfig, expanded) == 64);

static_assert(sizeof(GlobalSettings) == kSettingsImageSize);
static_assert(offsetof(GlobalSettings, header) == 0);
static_assert(offsetof(GlobalSettings, parameterMode) == 4);
static_assert(offsetof(GlobalSettings, samplingTimes) == 8);
static_assert(offsetof(GlobalSettings, samplingElapseTenths) == 10);
static_assert(offsetof(GlobalSettings, chTimer) == 12);
static_assert(offsetof(GlobalSettings, reserved16) == 16);
static_assert(offsetof(GlobalSettings, maxHoldKeyTime) == 20);
static_assert(offsetof(GlobalSettings, debounceTime) == 24);
static_assert(offsetof(GlobalSettings, noComposeKey) == 28);
static_assert(offsetof(GlobalSettings, rangeMax) == 32);
static_assert(offsetof(GlobalSettings, rangeMaxDelta) == 36);
static_assert(offsetof(GlobalSettings, rangeMin) == 40);
static_assert(offsetof(GlobalSettings, rangeMinDelta) == 44);
static_assert(offsetof(GlobalSettings, zoom) == 48);
static_assert(offsetof(GlobalSettings, zoomDelta) == 52);
static_assert(offsetof(GlobalSettings, keyRangeMax) == 56);
static_assert(offsetof(GlobalSettings, keyRangeMaxDelta) == 60);
static_assert(offsetof(GlobalSettings, keyRangeMin) == 64);
static_assert(offsetof(GlobalSettings, keyRangeMinDelta) == 68);
static_assert(offsetof(GlobalSettings, timeAxisMode) == 72);
static_assert(offsetof(GlobalSettings, highPrecisionSampling) == 76);
static_assert(offsetof(GlobalSettings, lowRangeAsBottom) == 80);
static_assert(offsetof(GlobalSettings, reserved84) == 84);
static_assert(offsetof(GlobalSettings, singleByteMode) == 88);
static_assert(offsetof(GlobalSettings, channelColor) == 92);
static_assert(offsetof(GlobalSettings, bufferFrames) == 156);
static_assert(offsetof(GlobalSettings, channel) == 160);

}  // namespace padscope
