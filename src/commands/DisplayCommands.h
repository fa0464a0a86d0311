#pragma once

// The main frame's display commands as plain functions over the records they
// change. The frame (and the waveform view's buttons and repeat worker) call
// them and post the repaint each one asks for.

#include <cstdint>

namespace padscope {

struct GlobalSettings;
struct FrameFields;
class CaptureContext;
class CaptureHost;

// What a command asks the frame to repaint. Refreshing a view posts its refresh
// event; redrawing invalidates it without erasing. kRepaintNone leaves the
// repaint to the views' own timers.
enum Repaint : unsigned {
  kRepaintNone = 0,
  kRefreshKeyScope = 1u << 0,
  kRefreshScope = 1u << 1,
  kRedrawKeyScope = 1u << 2,
  kRedrawScope = 1u << 3,
  kRefreshBoth = kRefreshKeyScope | kRefreshScope,
  kRedrawBoth = kRedrawKeyScope | kRedrawScope,
};

// Texts of status pane 131 for the two channel modes.
inline constexpr const char* kSingle16TkText = "Single 16TK";
inline constexpr const char* kDouble8TkText = "Double 8TK";

// Bounds of the commands' counters.
inline constexpr int32_t kMaxOutputZoom = 18;
inline constexpr int32_t kMaxCoordStep = 10000;
inline constexpr uint32_t kPanUnitMs = 50;

// Unless stated otherwise every function runs on the UI thread. Those the
// waveform view's repeat worker also calls (StepRawWindow, PanLeft, PanRight,
// CoordZoomIn, CoordZoomOut) change plain integers without a lock, as the
// views tolerate a torn window for one paint.

// Time axis (timeAxisMode 1) or data axis (0). Returns kRepaintNone.
Repaint SetTimeAxisMode(GlobalSettings& settings, bool timeAxis);
// High (1) or low (0) precision sampling, which the capture thread reads.
// Returns kRepaintNone.
Repaint SetSamplingPrecision(GlobalSettings& settings, bool high);
// Inverts lowRangeAsBottom. Returns kRefreshKeyScope.
Repaint ToggleLowRangeAsBottom(GlobalSettings& settings);
// keyRangeMax + delta (Up +1, Down -1), held to the int32 range.
// Returns kRefreshKeyScope.
Repaint StepKeyRangeMax(GlobalSettings& settings, int delta);
// zoom + delta (Right +1, Left -1), kept within 1..kMaxOutputZoom.
// Returns kRefreshKeyScope.
Repaint StepOutputZoom(GlobalSettings& settings, int delta);
// Moves both ends of the raw-value window by delta (Page Up +1, Page Down -1).
// Returns kRefreshScope.
Repaint StepRawWindow(GlobalSettings& settings, int delta);

// Pans the plotted window's end time (lastSampleTime) back or forward by
// kPanUnitMs x the pan counter, which each pan raises first. The first pan
// of a run saves the live end time and is not clamped; later ones stay between
// the saved live time and 1 s after the earliest frame. Returns kRedrawBoth.
Repaint PanLeft(CaptureContext& ctx, FrameFields& frame);
Repaint PanRight(CaptureContext& ctx, FrameFields& frame);

// The sample the coordinate commands centre on: frame writeIndex-1 while at
// most 100 frames exist, else writeIndex-100. `v` is the channel's rawValue,
// `w` its secondValue (both offset by 0x8000); both 0 when there is no frame
// or the channel is negative, and a channel above 15 reads 0 as well.
struct ReferenceSample {
  int frameIndex = -1;
  int32_t v = 0;
  int32_t w = 0;
};
ReferenceSample ReadReferenceSample(const CaptureContext& ctx, int channel);

// Coordinate zoom in: coordStep - 1 (at least 1), window spans 3 and 5 times
// the lowered step (at least 3 and 5) around the reference sample of
// coordChannel; sets the zoom-in held flag of dragState. Returns kRedrawBoth.
Repaint CoordZoomIn(GlobalSettings& settings, const CaptureContext& ctx, FrameFields& frame);
// Coordinate zoom out: coordStep + 1 (at most kMaxCoordStep), spans 3 and 5
// times the new step. Returns kRedrawBoth.
Repaint CoordZoomOut(GlobalSettings& settings, const CaptureContext& ctx, FrameFields& frame);
// Positions the raw-value window tightly on coordChannel (negative becomes 0)
// and resets coordStep to 1. While coordFirst is set it also places the
// key-value window, then clears coordFirst. Returns kRedrawBoth.
Repaint PositionCoordinates(GlobalSettings& settings, const CaptureContext& ctx,
                            FrameFields& frame);

// Channel modes. Single-byte resets every channel's key window and threshold
// (40); double-byte sets every threshold to 90. Both set the host's
// doubleByteShown. Return the status pane text (a static string).
const char* SelectSingleByteMode(GlobalSettings& settings, CaptureHost& host);
const char* SelectDoubleByteMode(GlobalSettings& settings, CaptureHost& host);

// Inverts followRawValue. Returns kRepaintNone.
Repaint ToggleFollowRawValue(FrameFields& frame);
// The step after the Set Coordinate dialog, whichever button closed it:
// inverts tkRangeShown. Returns kRedrawScope.
Repaint ToggleTkRangeShown(FrameFields& frame);

// Everything a display command may change, for RunDisplayCommand.
struct DisplayTargets {
  GlobalSettings& settings;
  CaptureContext& capture;
  FrameFields& frame;
  CaptureHost& host;
};

struct DisplayResult {
  bool handled = false;  // false: `id` is not a display command run here
  Repaint repaint = kRepaintNone;
  const char* channelModeText = nullptr;  // pane 131 text after a channel-mode command
};

// Runs the display command `id` (CommandIds.h). Set TK Range is not run here:
// it needs its dialog first, after which the frame calls ToggleTkRangeShown.
DisplayResult RunDisplayCommand(int id, const DisplayTargets& targets);

}  // namespace padscope
