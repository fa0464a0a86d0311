#pragma once

// The scope views' frame walk gathered into runs: the frames drawn on one
// column, with the lowest and highest value of each channel among them. A view
// draws a run as the line from the previous run's last point to its first
// frame, and one vertical span from the lowest to the highest value, which is
// the picture a line through every frame gives. Whole blocks of frames that
// fall on one column are taken from the buffer's block summaries, so a walk
// costs a few blocks per column instead of one step per frame.

#include <array>
#include <cstdint>
#include <vector>

#include "capture/CaptureContext.h"
#include "viewlogic/ScopeGeometry.h"

namespace padscope {

// The stored value a trace shows: the first value (waveform view) or the
// second (key scope).
enum class TraceValue { kFirst, kSecond };

struct TraceRun {
  int x = 0;                                    // column, as WalkScopeFrames gives it
  int newest = 0;                               // the run's first frame in walk order
  int oldest = 0;                               // its last frame
  std::array<uint16_t, kFrameChannels> low{};   // lowest stored value per channel
  std::array<uint16_t, kFrameChannels> high{};  // highest
  bool single() const { return newest == oldest; }
};

// Whether drawing from runs saves work: in time mode with a few frames or more
// per column, as the newest frames' spacing tells. With fewer, the walk
// through every frame draws the same picture with less bookkeeping.
bool RunsPayOff(const CaptureContext& ctx, const FrameWalkParams& p);

// The frames WalkScopeFrames would visit, in the same order and on the same
// columns, as runs of consecutive visited frames on one column. `runs` is
// cleared first (and reused between paints).
void CollectTraceRuns(const CaptureContext& ctx, const FrameWalkParams& p, TraceValue value,
                      std::vector<TraceRun>& runs);

}  // namespace padscope
