// The frame decoder shared by live capture, chart reading and the flash load.
#include <algorithm>
#include <cstring>

#include "capture/CaptureContext.h"
#include "platform/Tick.h"

namespace padscope {

namespace {

constexpr int kLayoutMarked = 2;  // "double" at bytes 58..63
constexpr int kLayoutPlain = 3;
// A layout is accepted from its seventh consecutive frame on.
constexpr int kLayoutConfirmStreak = 5;
constexpr char kDoubleMark[] = "double";
constexpr int kMarkOffset = 58;

// Whether all 64 payload bytes equal `value` (0x00 or 0xFF), a word at a time.
bool AllBytes(const uint8_t* p, uint8_t value) {
  const uint64_t pattern = value == 0 ? 0 : ~uint64_t{0};
  uint64_t diff = 0;
  for (int i = 0; i < kRawBytes; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    diff |= w ^ pattern;
  }
  return diff == 0;
}

// The payload and the zero bytes after it, 128 bytes in a row (the frame's
// layout is fixed by static_asserts). Every offset the decoder computes from a
// 5-bit channel count stays below 128.
const uint8_t* Bytes(const SampleFrame& f) {
  return reinterpret_cast<const uint8_t*>(&f);
}
static_assert(3 + 2 * (31 + 15) + 1 < 2 * kRawBytes);

// The big-endian word at offset i with its top bit flipped: the adapter's plain
// value stored offset by 0x8000.
int32_t Word(const uint8_t* b, int i) {
  const int word = (b[i] << 8) | b[i + 1];
  return (word - kValueOffset) & 0xFFFF;
}

}  // namespace

int CaptureContext::DecodeFrame(int singleByteMode) {
  return DecodeFrame(singleByteMode, TickMs());
}

int CaptureContext::DecodeFrame(int singleByteMode, uint32_t stamp) {
  const int index = WriteIndex();
  SampleFrame* f = FrameForWrite(index);
  if (f == nullptr || AllBytes(f->raw, 0)) {
    return -1;
  }
  f->timestamp = stamp;
  const int layout =
      std::memcmp(f->raw + kMarkOffset, kDoubleMark, 6) == 0 ? kLayoutMarked : kLayoutPlain;
  if (AllBytes(f->raw, 0xFF)) {
    return kLayoutInvalid;
  }

  // Only the one writer thread changes these; relaxed is enough.
  constexpr auto relaxed = std::memory_order_relaxed;
  const int streak = candidateLayout.load(relaxed) == layout ? layoutStreak.load(relaxed) + 1 : 0;
  layoutStreak.store(streak, relaxed);
  candidateLayout.store(layout, relaxed);
  if (streak <= kLayoutConfirmStreak) {
    return -1;
  }

  const uint8_t d = f->raw[2];
  const int count = layout == kLayoutMarked ? ((d & 0x80) ? d & 0x1F : d & 0x0F) : d & 0x1F;
  channelCount.store(count, relaxed);
  reportedChannels.store(d >= 0x80 ? static_cast<uint8_t>(d & 0x0F) : d, relaxed);

  // Marked frames carry 16 first values and their second values from byte
  // 35; plain frames carry `count` first values and the second values right
  // after them (channels past 16 are on the wire but not stored).
  const uint8_t* b = Bytes(*f);
  const int stored = layout == kLayoutMarked ? kFrameChannels : std::min(count, kFrameChannels);
  const int second = layout == kLayoutMarked ? 35 : 3 + 2 * count;
  for (int k = 0; k < stored; ++k) {
    f->rawValue[k] = Word(b, 3 + 2 * k);
  }
  if (singleByteMode) {
    for (int k = 0; k < stored; ++k) {
      f->secondValue[k] = b[second + k];
    }
  } else {
    for (int k = 0; k < stored; ++k) {
      f->secondValue[k] = Word(b, second + 2 * k);
    }
  }

  if (index == 0) {
    // The first frame of the buffer carries no values: each reads as zero,
    // which the stored offset form writes as 0x8000.
    std::fill(std::begin(f->rawValue), std::end(f->rawValue), kValueOffset);
    std::fill(f->keyState, f->keyState + kFrameChannels, 0);
    std::fill(f->keyAux, f->keyAux + kFrameChannels, 0);
  } else {
    for (int k = 0; k < 8; ++k) {
      f->keyState[k] = f->raw[0] & (1 << k);
      f->keyState[k + 8] = f->raw[1] & (1 << k);
    }
  }
  return layout;
}

}  // namespace padscope
