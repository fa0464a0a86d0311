#pragma once

// Positions in the capture buffer that outlive its scrolling: a frame marked
// once keeps naming the same frame while the capture compacts the buffer, and
// stops naming anything once the buffer holds new contents. Also where a frame
// sits on the waveform view and which frame lies under a column of it, by the
// same walk the view draws with.

#include <cstdint>
#include <optional>

#include "viewlogic/ScopeGeometry.h"

namespace padscope {

class CaptureContext;

struct FrameMark {
  uint32_t generation = 0;
  int64_t frame = 0;  // buffer index + the frames compaction dropped before it

  bool operator==(const FrameMark&) const = default;
};

// The mark of frame `index` as the buffer stands now.
FrameMark MarkOf(const CaptureContext& ctx, int index);

// The buffer index of a marked frame, or nothing when compaction has dropped
// it, the buffer holds new contents, or it is not written (any more).
std::optional<int> IndexOf(const CaptureContext& ctx, const FrameMark& mark);

// The waveform view's frame walk for a view `width` pixels wide.
FrameWalkParams ScopeWalkParams(const CaptureContext& ctx, bool timeMode, int width);

// The x (view pixels, the value axis at 40) of frame `index`, or nothing when
// the frame is not drawn: stamped after the end time or beyond the plot.
std::optional<int> XOfFrame(const CaptureContext& ctx, const FrameWalkParams& walk, int index);

// The drawn frame nearest to view column x (the newer one on a tie), or
// nothing when no frame is drawn.
std::optional<int> FrameAtX(const CaptureContext& ctx, const FrameWalkParams& walk, int x);

}  // namespace padscope
