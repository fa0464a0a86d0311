#pragma once

// The one list of the settings record's fields, shared by the file image
// (SettingsFile.cpp) and the text dump (SettingsText.cpp) so the two cannot
// drift apart. Internal to app/.

#include <cstddef>
#include <string>

#include "state/GlobalSettings.h"

namespace padscope::settings_fields {

enum class Style { kDecimal, kHex, kReserved };

// Calls visit(name, offset, field, style) for one channel entry whose image
// starts at `base`; names are prefixed with `prefix` ("channel[3].").
template <typename Entry, typename Visit>
void ForEachChannelField(Entry& c, std::size_t base, const std::string& prefix, Visit&& visit) {
  using C = ChannelConfig;
  visit(prefix + "flags", base + offsetof(C, flags), c.flags, Style::kHex);
  for (std::size_t i = 0; i < c.flagsReserved.size(); ++i) {
    visit(prefix + "flagsReserved[" + std::to_string(i) + "]",
          base + offsetof(C, flagsReserved) + i, c.flagsReserved[i], Style::kReserved);
  }
  for (std::size_t i = 0; i < c.reserved.size(); ++i) {
    visit(prefix + "reserved[" + std::to_string(i) + "]", base + offsetof(C, reserved) + 4 * i,
          c.reserved[i], Style::kReserved);
  }
  visit(prefix + "threshold", base + offsetof(C, threshold), c.threshold, Style::kDecimal);
  visit(prefix + "thresholdDelta", base + offsetof(C, thresholdDelta), c.thresholdDelta,
        Style::kDecimal);
  visit(prefix + "secondMax", base + offsetof(C, secondMax), c.secondMax, Style::kDecimal);
  visit(prefix + "secondMaxDelta", base + offsetof(C, secondMaxDelta), c.secondMaxDelta,
        Style::kDecimal);
  visit(prefix + "secondMin", base + offsetof(C, secondMin), c.secondMin, Style::kDecimal);
  visit(prefix + "secondMinDelta", base + offsetof(C, secondMinDelta), c.secondMinDelta,
        Style::kDecimal);
  visit(prefix + "baseline", base + offsetof(C, baseline), c.baseline, Style::kDecimal);
  visit(prefix + "rawMax", base + offsetof(C, rawMax), c.rawMax, Style::kDecimal);
  visit(prefix + "rawMin", base + offsetof(C, rawMin), c.rawMin, Style::kDecimal);
  visit(prefix + "expanded", base + offsetof(C, expanded), c.expanded, Style::kDecimal);
}

// Calls visit(name, offset, field, style) for every field of the record in
// offset order, except the header word at offset 0, which carries no setting.
// `Settings` is GlobalSettings or const GlobalSettings.
template <typename Settings, typename Visit>
void ForEachSettingsField(Settings& s, Visit&& visit) {
  using G = GlobalSettings;
  constexpr auto kDec = Style::kDecimal;
  visit(std::string("parameterMode"), offsetof(G, parameterMode), s.parameterMode, kDec);
  visit(std::string("samplingTimes"), offsetof(G, samplingTimes), s.samplingTimes, kDec);
  visit(std::string("samplingElapseTenths"), offsetof(G, samplingElapseTenths),
        s.samplingElapseTenths, kDec);
  visit(std::string("chTimer"), offsetof(G, chTimer), s.chTimer, kDec);
  visit(std::string("reserved16"), offsetof(G, reserved16), s.reserved16, Style::kReserved);
  visit(std::string("maxHoldKeyTime"), offsetof(G, maxHoldKeyTime), s.maxHoldKeyTime, kDec);
  visit(std::string("debounceTime"), offsetof(G, debounceTime), s.debounceTime, kDec);
  visit(std::string("noComposeKey"), offsetof(G, noComposeKey), s.noComposeKey, kDec);
  visit(std::string("rangeMax"), offsetof(G, rangeMax), s.rangeMax, kDec);
  visit(std::string("rangeMaxDelta"), offsetof(G, rangeMaxDelta), s.rangeMaxDelta, kDec);
  visit(std::string("rangeMin"), offsetof(G, rangeMin), s.rangeMin, kDec);
  visit(std::string("rangeMinDelta"), offsetof(G, rangeMinDelta), s.rangeMinDelta, kDec);
  visit(std::string("zoom"), offsetof(G, zoom), s.zoom, kDec);
  visit(std::string("zoomDelta"), offsetof(G, zoomDelta), s.zoomDelta, kDec);
  visit(std::string("keyRangeMax"), offsetof(G, keyRangeMax), s.keyRangeMax, kDec);
  visit(std::string("keyRangeMaxDelta"), offsetof(G, keyRangeMaxDelta), s.keyRangeMaxDelta, kDec);
  visit(std::string("keyRangeMin"), offsetof(G, keyRangeMin), s.keyRangeMin, kDec);
  visit(std::string("keyRangeMinDelta"), offsetof(G, keyRangeMinDelta), s.keyRangeMinDelta, kDec);
  visit(std::string("timeAxisMode"), offsetof(G, timeAxisMode), s.timeAxisMode, kDec);
  visit(std::string("highPrecisionSampling"), offsetof(G, highPrecisionSampling),
        s.highPrecisionSampling, kDec);
  visit(std::string("lowRangeAsBottom"), offsetof(G, lowRangeAsBottom), s.lowRangeAsBottom, kDec);
  visit(std::string("reserved84"), offsetof(G, reserved84), s.reserved84, Style::kReserved);
  visit(std::string("singleByteMode"), offsetof(G, singleByteMode), s.singleByteMode, kDec);
  for (std::size_t i = 0; i < s.channelColor.size(); ++i) {
    visit("channelColor[" + std::to_string(i) + "]", offsetof(G, channelColor) + 4 * i,
          s.channelColor[i], Style::kHex);
  }
  visit(std::string("bufferFrames"), offsetof(G, bufferFrames), s.bufferFrames, kDec);
  for (std::size_t i = 0; i < s.channel.size(); ++i) {
    ForEachChannelField(s.channel[i], offsetof(G, channel) + kChannelConfigSize * i,
                        "channel[" + std::to_string(i) + "].", visit);
  }
}

}  // namespace padscope::settings_fields
