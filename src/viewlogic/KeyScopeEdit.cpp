#include "viewlogic/KeyScopeEdit.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "support/ChannelLabel.h"

namespace padscope::keyscope {

namespace {

bool ValidChannel(int channel) {
  return channel >= 0 && channel < kChannels;
}

std::string Num(int64_t value) {
  return std::to_string(value);
}

std::string Name(const ChannelLabel& label, int channel) {
  return label.Prefix() + Num(int64_t{label.Base()} + channel);
}

int32_t RoundedDelta(double value) {
  const double t = std::trunc(value + 0.5);
  if (std::isnan(t)) {
    return 0;
  }
  return static_cast<int32_t>(std::clamp<double>(t, INT32_MIN, INT32_MAX));
}

void Commit(int32_t& base, int32_t& delta) {
  base = AddClamped(base, delta);
  delta = 0;
}

}  // namespace

CursorShape CursorFor(int code) {
  switch (code) {
    case kHitHeader:
    case kHitSwitch:
      return CursorShape::kHand;
    case kHitBarMax:
    case kHitBarMin:
    case kHitBoxThreshold:
    case kHitLine:
      return CursorShape::kSizeVertical;
    case kHitZoom:
      return CursorShape::kSizeHorizontal;
    default:
      return CursorShape::kArrow;
  }
}

std::string HoverStatusText(int code, int channel, const GlobalSettings& s,
                            const ChannelLabel& label) {
  if (!ValidChannel(channel)) {
    return {};
  }
  const ChannelConfig& c = s.channel[channel];
  switch (code) {
    case kHitNone:
      return Name(label, channel) + " (" + Num(c.EffectiveSecondMin()) + " - " +
             Num(c.EffectiveSecondMax()) + ") Threhold: " + Num(c.EffectiveThreshold()) +
             " BL: " + Num(c.baseline);
    case kHitHeader:
      return "Switch " + Name(label, channel) + ".";
    case kHitBarMax:
      return "Drag to adjust maximum value of " + Name(label, channel) +
             ". Current: " + Num(c.EffectiveSecondMax());
    case kHitBarMin:
      return "Drag to adjust minimum value of CH" + Num(channel) +
             ". Current: " + Num(c.EffectiveSecondMin());
    case kHitBoxThreshold:
    case kHitLine:
      return "Drag to adjust threhold of CH" + Num(channel) +
             ". Current: " + Num(c.EffectiveThreshold()) + ".";
    case kHitZoom:
      return "Ajust zoom size. Current: " + Num(s.EffectiveZoom());
    case kHitSwitch:
      return "Switch CH" + Num(channel) + ".";
    default:
      return {};
  }
}

std::string DragStatusText(int channel, const GlobalSettings& s) {
  if (!ValidChannel(channel)) {
    return {};
  }
  const ChannelConfig& c = s.channel[channel];
  return "CH" + Num(channel) + " (" + Num(c.EffectiveSecondMin()) + " - " +
         Num(c.EffectiveSecondMax()) + ") Threhold: " + Num(c.EffectiveThreshold()) +
         " BL: " + Num(c.baseline);
}

int32_t ValueDragDelta(int pressY, int y, int height, int32_t zoom) {
  const int64_t span = int64_t{height} - 41;
  if (span <= 0) {
    return 0;
  }
  const int64_t rows = (int64_t{height} - 40) / 20;
  const int step = 20 / SafeZoom(zoom);
  const double moved = static_cast<double>(int64_t{pressY} - y);
  return RoundedDelta(moved / static_cast<double>(span) * step * static_cast<double>(rows));
}

int32_t ZoomDragDelta(int pressX, int x, const Rect& slider, int32_t zoom) {
  const int64_t width = int64_t{slider.right} - slider.left;
  if (width <= 0) {
    return 0;
  }
  const int32_t delta =
      RoundedDelta(static_cast<double>(int64_t{x} - pressX) / static_cast<double>(width) * 20);
  const int64_t result = int64_t{zoom} + delta;
  return result > kZoomMax || result < kZoomMin ? 0 : delta;
}

void SetValueDelta(GlobalSettings& s, int code, int channel, int32_t delta) {
  if (!ValidChannel(channel)) {
    return;
  }
  ChannelConfig& c = s.channel[channel];
  if (code == kHitBarMax) {
    c.secondMaxDelta = delta;
  } else if (code == kHitBarMin) {
    c.secondMinDelta = delta;
  } else if (code == kHitBoxThreshold || code == kHitLine) {
    c.thresholdDelta = delta;
  }
}

namespace {

// Commits a threshold drag; every key whose threshold it changes is marked
// as not yet sent to the chip.
void CommitThreshold(GlobalSettings& s, FrameFields& f, int channel) {
  // The thresholds as they were before this drag (its delta not yet in).
  std::array<int32_t, kChannels> before{};
  for (int k = 0; k < kChannels; ++k) {
    before[k] = s.channel[k].threshold;
  }
  Commit(s.channel[channel].threshold, s.channel[channel].thresholdDelta);
  if (s.parameterMode != 1) {
    // Outside mode 1 the firmware has one threshold for every key.
    const int32_t common = s.channel[channel].threshold;
    for (ChannelConfig& c : s.channel) {
      c.threshold = common;
      c.thresholdDelta = 0;
    }
    s.debounceTime = common;
  }
  for (int k = 0; k < kChannels; ++k) {
    if (s.channel[k].threshold != before[k]) {
      f.unsentThresholds |= static_cast<uint16_t>(1u << k);
    }
  }
}

void SwitchChannel(GlobalSettings& s, FrameFields& f, int channel) {
  ChannelConfig& c = s.channel[channel];
  if (IsChannelEnabled(c)) {
    HideChannel(c);
    f.coordChannel = std::max(0, channel - 1);
  } else {
    ShowChannel(c);
    c.expanded = 1;
    f.coordAux = f.coordChannel;
    f.coordChannel = channel;
  }
}

}  // namespace

void CommitRelease(GlobalSettings& s, FrameFields& f, int hoverCode, int hoverChannel,
                   int pressedChannel) {
  if (ValidChannel(hoverChannel)) {
    ChannelConfig& c = s.channel[hoverChannel];
    switch (hoverCode) {
      case kHitHeader:
        if (ValidChannel(pressedChannel)) {
          int32_t& expanded = s.channel[pressedChannel].expanded;
          expanded = expanded != 0 ? 0 : 1;
        }
        break;
      case kHitBarMax:
        Commit(c.secondMax, c.secondMaxDelta);
        break;
      case kHitBarMin:
        Commit(c.secondMin, c.secondMinDelta);
        break;
      case kHitBoxThreshold:
      case kHitLine:
        CommitThreshold(s, f, hoverChannel);
        break;
      case kHitZoom:
        Commit(s.zoom, s.zoomDelta);
        break;
      case kHitSwitch:
        SwitchChannel(s, f, hoverChannel);
        break;
      default:
        break;
    }
  }
  Commit(s.keyRangeMax, s.keyRangeMaxDelta);
}

}  // namespace padscope::keyscope
