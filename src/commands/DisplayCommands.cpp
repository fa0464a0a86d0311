#include "commands/DisplayCommands.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "capture/CaptureContext.h"
#include "capture/CaptureHost.h"
#include "commands/CommandIds.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Fields the capture thread also touches go through atomic_ref, as it does.
void StoreShared(int32_t& field, int32_t value) {
  std::atomic_ref<int32_t>(field).store(value, std::memory_order_relaxed);
}

int32_t LoadShared(const int32_t& field) {
  // atomic_ref of a const object needs C++26; the record itself is never const.
  return std::atomic_ref<int32_t>(const_cast<int32_t&>(field)).load(std::memory_order_relaxed);
}

// The smallest timestamp among frames 0 .. writeIndex-2; all ones when there
// is none, so that the lower pan bound (this + 1000) wraps to 999.
uint32_t EarliestTimestamp(const CaptureContext& ctx) {
  uint32_t earliest = std::numeric_limits<uint32_t>::max();
  const int last = ctx.WriteIndex() - 2;
  for (int i = 0; i <= last; ++i) {
    const SampleFrame* f = ctx.FrameAt(i);
    if (f == nullptr) {
      break;
    }
    earliest = std::min(earliest, f->timestamp);
  }
  return earliest;
}

Repaint Pan(CaptureContext& ctx, FrameFields& frame, bool forward) {
  frame.panStep = AddClamped(frame.panStep, 1);
  // Unsigned on purpose: the millisecond clock wraps and the times wrap with it.
  const uint32_t distance = kPanUnitMs * static_cast<uint32_t>(frame.panStep);
  const uint32_t now = ctx.lastSampleTime.load();
  uint32_t target = forward ? now + distance : now - distance;
  const uint32_t live = ctx.liveEndTime.load();
  if (live == 0) {
    ctx.liveEndTime = now;
  } else {
    target = std::min(target, live);
    target = std::max(target, EarliestTimestamp(ctx) + 1000u);
  }
  ctx.lastSampleTime = target;
  return kRedrawBoth;
}

// Centres the raw-value window on sample v: `up` above, `down` below, in the
// axis' display units (signed value + coordBase).
void ApplyCoordinateWindow(GlobalSettings& settings, const FrameFields& frame, int32_t v,
                           int64_t up, int64_t down) {
  const int64_t centre = int64_t{frame.coordBase} + v - kValueOffset;
  settings.rangeMax = ClampToInt32(centre + up);
  settings.rangeMin = ClampToInt32(centre - down);
}

void PlaceKeyWindow(GlobalSettings& settings, int channel, int32_t w) {
  if (LoadShared(settings.singleByteMode) != 0) {
    // No channel entry beyond the sixteen: the key window stays as it is.
    if (channel < 0 || channel >= kSettingsChannelCount) {
      return;
    }
    const ChannelConfig& ch = settings.channel[static_cast<size_t>(channel)];
    settings.keyRangeMax = AddClamped(LoadShared(ch.secondMax), ch.secondMaxDelta);
    settings.keyRangeMin = ch.EffectiveSecondMin();
    return;
  }
  const int64_t d = int64_t{w} - kValueOffset;
  if (d < -100 || d >= 800) {
    settings.keyRangeMax = 255;
  } else if (d <= 220) {
    settings.keyRangeMax = static_cast<int32_t>(d + 220);
  } else {
    settings.keyRangeMax = static_cast<int32_t>(d);
  }
}

}  // namespace

Repaint SetTimeAxisMode(GlobalSettings& settings, bool timeAxis) {
  settings.timeAxisMode = timeAxis ? 1 : 0;
  return kRepaintNone;
}

Repaint SetSamplingPrecision(GlobalSettings& settings, bool high) {
  StoreShared(settings.highPrecisionSampling, high ? 1 : 0);
  return kRepaintNone;
}

Repaint ToggleLowRangeAsBottom(GlobalSettings& settings) {
  settings.lowRangeAsBottom = settings.lowRangeAsBottom == 0 ? 1 : 0;
  return kRefreshKeyScope;
}

Repaint StepKeyRangeMax(GlobalSettings& settings, int delta) {
  settings.keyRangeMax = AddClamped(settings.keyRangeMax, delta);
  return kRefreshKeyScope;
}

Repaint StepOutputZoom(GlobalSettings& settings, int delta) {
  const int32_t zoom = AddClamped(settings.zoom, delta);
  // Only the bound in the direction of the step applies, as a settings file
  // may hold any zoom.
  if (delta > 0) {
    settings.zoom = std::min(zoom, kMaxOutputZoom);
  } else {
    settings.zoom = zoom <= 0 ? 1 : zoom;
  }
  return kRefreshKeyScope;
}

Repaint StepRawWindow(GlobalSettings& settings, int delta) {
  settings.rangeMax = AddClamped(settings.rangeMax, delta);
  settings.rangeMin = AddClamped(settings.rangeMin, delta);
  return kRefreshScope;
}

Repaint PanLeft(CaptureContext& ctx, FrameFields& frame) {
  return Pan(ctx, frame, false);
}

Repaint PanRight(CaptureContext& ctx, FrameFields& frame) {
  return Pan(ctx, frame, true);
}

ReferenceSample ReadReferenceSample(const CaptureContext& ctx, int channel) {
  ReferenceSample ref;
  const int writeIndex = ctx.WriteIndex();
  ref.frameIndex = writeIndex <= 100 ? writeIndex - 1 : writeIndex - 100;
  if (ref.frameIndex >= 0 && channel >= 0) {
    // The accessors read 0 for a channel above 15.
    ref.v = ctx.RawValue(ref.frameIndex, channel);
    ref.w = ctx.SecondValue(ref.frameIndex, channel);
  }
  return ref;
}

Repaint CoordZoomIn(GlobalSettings& settings, const CaptureContext& ctx, FrameFields& frame) {
  const int64_t step = int64_t{frame.coordStep} - 1;
  frame.coordStep = step <= 0 ? 1 : static_cast<int32_t>(step);
  // The spans follow the lowered step even where coordStep was held at 1.
  const int64_t up = 3 * step <= 0 ? 3 : 3 * step;
  const int64_t down = 5 * step <= 0 ? 5 : 5 * step;
  ApplyCoordinateWindow(settings, frame, ReadReferenceSample(ctx, frame.coordChannel).v, up, down);
  frame.dragState[kDragZoomIn] = 1;
  return kRedrawBoth;
}

Repaint CoordZoomOut(GlobalSettings& settings, const CaptureContext& ctx, FrameFields& frame) {
  frame.coordStep =
      static_cast<int32_t>(std::min<int64_t>(int64_t{frame.coordStep} + 1, kMaxCoordStep));
  const int64_t step = frame.coordStep;
  ApplyCoordinateWindow(settings, frame, ReadReferenceSample(ctx, frame.coordChannel).v, 3 * step,
                        5 * step);
  return kRedrawBoth;
}

Repaint PositionCoordinates(GlobalSettings& settings, const CaptureContext& ctx,
                            FrameFields& frame) {
  if (frame.coordChannel < 0) {
    frame.coordChannel = 0;
  }
  frame.coordStep = 1;
  const ReferenceSample ref = ReadReferenceSample(ctx, frame.coordChannel);
  ApplyCoordinateWindow(settings, frame, ref.v, 3, 5);
  // The key window is placed once per run or loaded chart, so that the user's
  // later adjustments of it survive repositioning.
  if (frame.coordFirst != 0) {
    PlaceKeyWindow(settings, frame.coordChannel, ref.w);
  }
  frame.coordFirst = 0;
  return kRedrawBoth;
}

const char* SelectSingleByteMode(GlobalSettings& settings, CaptureHost& host) {
  StoreShared(settings.singleByteMode, 1);
  host.doubleByteShown = 0;
  for (ChannelConfig& ch : settings.channel) {
    StoreShared(ch.secondMax, 255);
    ch.secondMaxDelta = 0;
    ch.secondMin = 0;
    ch.threshold = 40;
  }
  return kSingle16TkText;
}

const char* SelectDoubleByteMode(GlobalSettings& settings, CaptureHost& host) {
  StoreShared(settings.singleByteMode, 0);
  host.doubleByteShown = 1;
  for (ChannelConfig& ch : settings.channel) {
    ch.threshold = 90;
  }
  return kDouble8TkText;
}

Repaint ToggleFollowRawValue(FrameFields& frame) {
  frame.followRawValue = frame.followRawValue == 0 ? 1 : 0;
  return kRepaintNone;
}

Repaint ToggleTkRangeShown(FrameFields& frame) {
  frame.tkRangeShown = frame.tkRangeShown == 0 ? 1 : 0;
  return kRedrawScope;
}

DisplayResult RunDisplayCommand(int id, const DisplayTargets& t) {
  DisplayResult r;
  r.handled = true;
  switch (id) {
    case kCmdTimeMode:
      r.repaint = SetTimeAxisMode(t.settings, true);
      break;
    case kCmdDataMode:
      r.repaint = SetTimeAxisMode(t.settings, false);
      break;
    case kCmdHighPrecision:
      r.repaint = SetSamplingPrecision(t.settings, true);
      break;
    case kCmdLowPrecision:
      r.repaint = SetSamplingPrecision(t.settings, false);
      break;
    case kCmdLowRangeAsBottom:
      r.repaint = ToggleLowRangeAsBottom(t.settings);
      break;
    case kCmdKeyRangeUp:
      r.repaint = StepKeyRangeMax(t.settings, 1);
      break;
    case kCmdKeyRangeDown:
      r.repaint = StepKeyRangeMax(t.settings, -1);
      break;
    case kCmdOutputZoomUp:
      r.repaint = StepOutputZoom(t.settings, 1);
      break;
    case kCmdOutputZoomDown:
      r.repaint = StepOutputZoom(t.settings, -1);
      break;
    case kCmdRangeUp:
    case kCmdRangeUpKey:
      r.repaint = StepRawWindow(t.settings, 1);
      break;
    case kCmdRangeDown:
    case kCmdRangeDownKey:
      r.repaint = StepRawWindow(t.settings, -1);
      break;
    case kCmdPanLeft:
      r.repaint = PanLeft(t.capture, t.frame);
      break;
    case kCmdPanRight:
      r.repaint = PanRight(t.capture, t.frame);
      break;
    case kCmdCoordZoomIn:
      r.repaint = CoordZoomIn(t.settings, t.capture, t.frame);
      break;
    case kCmdCoordZoomOut:
      r.repaint = CoordZoomOut(t.settings, t.capture, t.frame);
      break;
    case kCmdPositionCoordinates:
      r.repaint = PositionCoordinates(t.settings, t.capture, t.frame);
      break;
    case kCmdSingleByte16Tk:
      r.channelModeText = SelectSingleByteMode(t.settings, t.host);
      break;
    case kCmdDoubleByte8Tk:
      r.channelModeText = SelectDoubleByteMode(t.settings, t.host);
      break;
    case kCmdFollowRawValue:
      r.repaint = ToggleFollowRawValue(t.frame);
      break;
    default:
      r.handled = false;
      break;
  }
  return r;
}

}  // namespace padscope
