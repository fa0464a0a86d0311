#pragma once

// The two measurement cursors of the waveform view and what lies between
// them: the times at A and B, the span in milliseconds and frames, and per
// channel the extremes, mean and peak to peak of the raw and output values.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/Analysis.h"
#include "tuning/BufferPositions.h"

namespace padscope {

class CaptureContext;

struct MeasureCursors {
  std::optional<FrameMark> a;
  std::optional<FrameMark> b;

  // The buffer indexes of A and B while both name a frame.
  struct Indexes {
    int a = 0;
    int b = 0;
    int first() const { return a < b ? a : b; }
    int last() const { return a < b ? b : a; }
  };
  std::optional<Indexes> Resolve(const CaptureContext& ctx) const;
};

struct RangeMeasurement {
  int indexA = 0;
  int indexB = 0;
  int64_t timeA = 0;  // milliseconds since the buffer's first frame
  int64_t timeB = 0;
  int64_t deltaMs = 0;      // |time B - time A|
  int64_t deltaFrames = 0;  // |B - A|
  int64_t decodedFrames = 0;
  // Per channel, over the decoded frames from A to B (both included).
  std::array<ValueStats, kAnalysisChannels> raw{};
  std::array<ValueStats, kAnalysisChannels> output{};
};

// Milliseconds from the buffer's first frame to frame `index` (0 outside the
// frames written).
int64_t FrameTimeMs(const CaptureContext& ctx, int index);

// "850 ms" below a second, "12.345 s" from there on.
std::string FormatDuration(int64_t ms);

// Measures frames a..b (either order) of the buffer. O(|b - a|).
RangeMeasurement MeasureRange(const CaptureContext& ctx, int a, int b, bool singleByteMode);

}  // namespace padscope
