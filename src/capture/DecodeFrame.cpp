// The frame decoder shared by live capture, chart reading and the flash load.
#include <algorithm>
#include <cstdlib>
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

// The payload and 64 zero bytes after it: every offset the decoder computes
// from a 5-bit channel count stays below 128, and what lies past the payload
// reads as zero.
struct PaddedPayload {
  uint8_t bytes[2 * kRawBytes];
  explicit PaddedPayload(const uint8_t* raw) {
    std::memcpy(bytes, raw, kRawBytes);
    std::memset(bytes + kRawBytes, 0, kRawBytes);
  }
};
static_assert(3 + 2 * (31 + 15) + 1 < 2 * kRawBytes);

int BigEndianWord(const uint8_t* b, int i) {
  return (b[i] << 8) | b[i + 1];
}

// The big-endian word at offset i stored offset by 0x8000: a two's-complement
// word with its top bit flipped, an offset one as it is.
int32_t Word(const uint8_t* b, int i, bool offset) {
  const int word = BigEndianWord(b, i);
  return offset ? word : (word - kValueOffset) & 0xFFFF;
}

}  // namespace

ValueEncoding ChooseValueEncoding(const uint8_t* raw, int channels) {
  int topSet = 0;
  int64_t distanceTwos = 0;    // sum of |value| read as two's complement
  int64_t distanceOffset = 0;  // ... and read as offset
  for (int k = 0; k < channels; ++k) {
    const int word = BigEndianWord(raw, 3 + 2 * k);
    topSet += word >= 0x8000 ? 1 : 0;
    distanceTwos += std::abs(static_cast<int16_t>(word));
    distanceOffset += std::abs(word - kValueOffset);
  }
  if (topSet == 0) {
    return ValueEncoding::TwosComplement;
  }
  return distanceOffset < distanceTwos ? ValueEncoding::Offset : ValueEncoding::TwosComplement;
}

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
  const bool sameLayout = candidateLayout.load(relaxed) == layout;
  const int streak = sameLayout ? layoutStreak.load(relaxed) + 1 : 0;
  if (!sameLayout) {
    valueEncoding.store(ValueEncoding::Undecided, relaxed);
  }
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
  const PaddedPayload payload(f->raw);
  const uint8_t* b = payload.bytes;
  const int stored = layout == kLayoutMarked ? kFrameChannels : std::min(count, kFrameChannels);
  const int second = layout == kLayoutMarked ? 35 : 3 + 2 * count;
  ValueEncoding encoding = valueEncoding.load(relaxed);
  if (encoding == ValueEncoding::Undecided && count > 0) {
    encoding = ChooseValueEncoding(b, std::min(count, kFrameChannels));
    valueEncoding.store(encoding, relaxed);
  }
  const bool offset = encoding == ValueEncoding::Offset;
  for (int k = 0; k < stored; ++k) {
    f->rawValue[k] = Word(b, 3 + 2 * k, offset);
  }
  if (singleByteMode) {
    for (int k = 0; k < stored; ++k) {
      f->secondValue[k] = b[second + k];
    }
  } else {
    for (int k = 0; k < stored; ++k) {
      f->secondValue[k] = Word(b, second + 2 * k, offset);
    }
  }

  if (index == 0) {
    // The first frame of the buffer carries no values: each reads as zero,
    // which the stored offset form writes as 0x8000.
    std::fill(std::begin(f->rawValue), std::end(f->rawValue), uint16_t{kValueOffset});
    f->keyBits = 0;
    f->auxBits = 0;
  } else {
    f->keyBits = static_cast<uint16_t>(f->raw[0] | (f->raw[1] << 8));
  }
  return layout;
}

}  // namespace padscope
