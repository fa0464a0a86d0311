#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace padscope {

// Indexes of the waveform view's held-button flags in FrameFields::dragState.
enum DragFlag {
  kDragZoomIn,
  kDragZoomOut,
  kDragRangeUp,
  kDragRangeDown,
  kDragPanLeft,
  kDragPanRight
};
inline constexpr int kDragFlagCount = 6;

// The main frame's interaction fields that views, dialogs and commands read and
// write directly. The frame window owns one; algorithms in the core take it by
// reference so they are tested without windows. UI thread, except the held
// flags, which the waveform view's repeat worker also reads.
struct FrameFields {
  int32_t playbackStop = 0;     // 1 ends a running chart playback
  int32_t followRawValue = 0;   // the views follow the pointer with the raw value
  int32_t playbackRunning = 1;  // 0 while a chart playback is paused
  int32_t coordFirst = 1;       // cleared by the first positioning of the coordinates
  int32_t coordBase = 2000;     // base offset of the raw-value axis
  int32_t coordChannel = 0;     // channel the positioning command works on
  int32_t coordAux = 0;         // the previous coordChannel
  int32_t coordStep = 1;        // coordinate zoom step, 1..10000
  int32_t panStep = 1;          // pan acceleration counter, never reset
  std::array<std::atomic<int32_t>, kDragFlagCount> dragState{};
  int32_t tkRangeWarned = 0;
  int32_t tkRangeShown = 0;
  int32_t tkRangeMax = 2357;
  int32_t tkRangeMin = 2242;
  int32_t tkRangeChannel = 8;
  // Bit k: channel k's threshold was changed on screen and has not been sent
  // to the chip since (by Auto Balance, Send recommended thresholds or the
  // parameter dialog); the key scope marks it.
  uint16_t unsentThresholds = 0;
  std::string logTag = "主线程";
  std::string logText;
  std::string chartPath;
  std::string chartName;
  // The buffer contents last written to or read from a chart file: their
  // generation and how many frames they held (compacted ones included). A
  // buffer that has moved on since holds frames no file has.
  uint32_t savedGeneration = 0;
  int64_t savedFrames = 0;
  // A chart command given while a reader runs (from inside its event
  // handling) waits here until that reader has stopped.
  enum class PendingReader { None, Load, LoadFile, Replay, Drop };
  PendingReader pendingReader = PendingReader::None;
  std::string pendingPath;
  bool readerActive = false;
};

}  // namespace padscope
