// The frame decoder on arbitrary payloads: a stream of 64-byte frames through
// a small buffer (compacting when full), in either value width, with the
// readers of the decoded values behind it.
#include <cstdint>
#include <cstring>

#include "FuzzInput.h"
#include "capture/CaptureContext.h"

using namespace padscope;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const int singleByteMode = in.Take<uint8_t>() & 1;
  const int capacity = 16 + in.Take<uint8_t>() % 48;
  CaptureContext ctx;
  if (!ctx.AllocateFrames(capacity)) {
    return 0;
  }
  while (!in.Empty()) {
    const int index = ctx.WriteIndex();
    SampleFrame* frame = ctx.FrameForWrite(index);
    if (frame == nullptr) {
      break;
    }
    std::memset(frame->raw, 0, sizeof frame->raw);
    const auto bytes = in.TakeBytes(sizeof frame->raw);
    std::memcpy(frame->raw, bytes.data(), bytes.size());
    const int r = ctx.DecodeFrame(singleByteMode);
    if (r < 1 || r > 3) {
      continue;
    }
    ctx.writeIndex.store(index + 1);
    const int channels = ctx.ChannelsInFrame();
    for (int c = 0; c < channels; ++c) {
      (void)ctx.RawValue(index, c);
      (void)ctx.SecondValue(index, c);
    }
    if (index + 1 >= ctx.frameCapacity) {
      ctx.CompactFrames();
    }
  }
  return 0;
}
