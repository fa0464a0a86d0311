#include "tuning/MeasureCursors.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "capture/CaptureContext.h"

namespace padscope {

std::optional<MeasureCursors::Indexes> MeasureCursors::Resolve(const CaptureContext& ctx) const {
  if (!a || !b) {
    return std::nullopt;
  }
  const std::optional<int> ia = IndexOf(ctx, *a);
  const std::optional<int> ib = IndexOf(ctx, *b);
  if (!ia || !ib) {
    return std::nullopt;
  }
  return Indexes{*ia, *ib};
}

std::string FormatDuration(int64_t ms) {
  char text[32];
  if (std::llabs(ms) < 1000) {
    std::snprintf(text, sizeof text, "%lld ms", static_cast<long long>(ms));
  } else {
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(ms) / 1000.0);
  }
  return text;
}

int64_t FrameTimeMs(const CaptureContext& ctx, int index) {
  const SampleFrame* first = ctx.FrameAt(0);
  const SampleFrame* f = index < ctx.WriteIndex() ? ctx.FrameAt(index) : nullptr;
  // Time stamps are a wrapping millisecond clock: the difference is taken modulo 2^32.
  return first != nullptr && f != nullptr ? static_cast<uint32_t>(f->timestamp - first->timestamp)
                                          : 0;
}

RangeMeasurement MeasureRange(const CaptureContext& ctx, int a, int b, bool singleByteMode) {
  RangeMeasurement m;
  m.indexA = a;
  m.indexB = b;
  m.timeA = FrameTimeMs(ctx, a);
  m.timeB = FrameTimeMs(ctx, b);
  m.deltaMs = std::llabs(m.timeB - m.timeA);
  m.deltaFrames = std::llabs(int64_t{b} - a);
  const int last = std::min(std::max(a, b), ctx.WriteIndex() - 1);
  AnalysisFrame f;
  for (int i = std::max(std::min(a, b), 0); i <= last; ++i) {
    if (!ReadAnalysisFrame(ctx, i, singleByteMode, f) || !f.decoded) {
      continue;
    }
    ++m.decodedFrames;
    for (int k = 0; k < f.channels; ++k) {
      m.raw[k].Add(f.raw[k]);
      m.output[k].Add(f.output[k]);
    }
  }
  return m;
}

}  // namespace padscope
