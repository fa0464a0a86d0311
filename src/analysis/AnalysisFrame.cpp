#include "analysis/AnalysisFrame.h"

#include <algorithm>
#include <cstring>

#include "capture/CaptureContext.h"

namespace padscope {

namespace {

constexpr char kDoubleMark[] = "double";
constexpr int kMarkOffset = 58;

// The channel count the decoder takes from a frame's channel byte (the marked
// layout reads five bits only when bit 7 is set). The marked layout decodes 16
// values whatever the count; those past it are not the chip's.
int ChannelsOf(const SampleFrame& f) {
  const uint8_t d = f.raw[2];
  const bool marked = std::memcmp(f.raw + kMarkOffset, kDoubleMark, 6) == 0;
  const int count = marked ? ((d & 0x80) ? d & 0x1F : d & 0x0F) : d & 0x1F;
  return std::min(count, kFrameChannels);
}

// The capture keeps an invalid report (64 bytes of 0xFF) in the buffer
// without decoding it; every other stored frame was accepted with layout 2 or 3.
bool WasDecoded(const SampleFrame& f) {
  return !std::all_of(f.raw, f.raw + kRawBytes, [](uint8_t b) { return b == 0xFF; });
}

}  // namespace

bool ReadAnalysisFrame(const CaptureContext& ctx, int index, bool singleByteMode,
                       AnalysisFrame& out) {
  out.decoded = false;
  out.invalid = false;
  if (index >= ctx.WriteIndex()) {
    return false;
  }
  const SampleFrame* f = ctx.FrameAt(index);
  if (f == nullptr) {
    return false;
  }
  out.timestamp = f->timestamp;
  out.invalid = !WasDecoded(*f);
  if (out.invalid) {
    return true;
  }
  out.decoded = index != 0;
  out.channels = ChannelsOf(*f);
  out.keys = 0;
  for (int k = 0; k < kFrameChannels; ++k) {
    out.keys |= f->KeyState(k) ? static_cast<uint16_t>(1u << k) : 0;
    out.raw[k] = f->rawValue[k] - kValueOffset;
    out.output[k] = singleByteMode ? f->secondValue[k] : f->secondValue[k] - kValueOffset;
  }
  return true;
}

}  // namespace padscope
