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

// What a payload's 64 bytes are as a whole: all 0x00, all 0xFF, or neither.
enum class Fill { Zero, Ones, Mixed };

Fill PayloadFill(const uint8_t* p) {
  uint64_t any = 0;
  uint64_t all = ~uint64_t{0};
  for (int i = 0; i < kRawBytes; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    any |= w;
    all &= w;
  }
  return any == 0 ? Fill::Zero : all == ~uint64_t{0} ? Fill::Ones : Fill::Mixed;
}

// The payload, read with 64 zero bytes after it where the decoder reads past
// its end: every offset computed from a 5-bit channel count stays below 128,
// and what lies past the payload reads as zero. Most frames are read in place.
class PaddedPayload {
 public:
  PaddedPayload(const uint8_t* raw, int end) : bytes_(raw) {
    if (end > kRawBytes) {
      std::memcpy(padded_, raw, kRawBytes);
      std::memset(padded_ + kRawBytes, 0, kRawBytes);
      bytes_ = padded_;
    }
  }
  const uint8_t* Bytes() const { return bytes_; }

 private:
  const uint8_t* bytes_;
  uint8_t padded_[2 * kRawBytes];
};
static_assert(3 + 2 * (31 + 15) + 1 < 2 * kRawBytes);

int BigEndianWord(const uint8_t* b, int i) {
  return (b[i] << 8) | b[i + 1];
}

// The big-endian word at offset i stored offset by 0x8000: `flip` is 0x8000
// for a two's-complement word (its top bit flipped) and 0 for an offset one.
uint16_t StoredWord(const uint8_t* b, int i, uint16_t flip) {
  return static_cast<uint16_t>(BigEndianWord(b, i) ^ flip);
}

}  // namespace

int CaptureContext::DecodeFrame(int singleByteMode) {
  return DecodeFrame(singleByteMode, TickMs());
}

int CaptureContext::DecodeFrame(int singleByteMode, uint32_t stamp) {
  const int index = WriteIndex();
  SampleFrame* f = FrameForWrite(index);
  if (f == nullptr) {
    return -1;
  }
  const Fill fill = PayloadFill(f->raw);
  if (fill == Fill::Zero) {
    return -1;
  }
  f->timestamp = stamp;
  if (fill == Fill::Ones) {
    return kLayoutInvalid;
  }
  const int layout =
      std::memcmp(f->raw + kMarkOffset, kDoubleMark, 6) == 0 ? kLayoutMarked : kLayoutPlain;

  // Only the one writer thread changes these; relaxed is enough.
  constexpr auto relaxed = std::memory_order_relaxed;
  const bool sameLayout = candidateLayout.load(relaxed) == layout;
  const int streak = sameLayout ? layoutStreak.load(relaxed) + 1 : 0;
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
  const int stored = layout == kLayoutMarked ? kFrameChannels : std::min(count, kFrameChannels);
  const int second = layout == kLayoutMarked ? 35 : 3 + 2 * count;
  const PaddedPayload payload(f->raw, second + (singleByteMode ? 1 : 2) * kFrameChannels);
  const uint8_t* b = payload.Bytes();
  // All 16 words are decoded at once (the padding makes that safe), and
  // the `stored` channels kept: the other slots keep what they hold.
  const uint16_t flip = valueEncoding.load(relaxed) == ValueEncoding::Offset ? 0 : kValueOffset;
  uint16_t firstValues[kFrameChannels];
  uint16_t secondValues[kFrameChannels];
  for (int k = 0; k < kFrameChannels; ++k) {
    firstValues[k] = StoredWord(b, 3 + 2 * k, flip);
  }
  if (singleByteMode) {
    for (int k = 0; k < kFrameChannels; ++k) {
      secondValues[k] = b[second + k];
    }
  } else {
    for (int k = 0; k < kFrameChannels; ++k) {
      secondValues[k] = StoredWord(b, second + 2 * k, flip);
    }
  }
  std::copy_n(firstValues, stored, f->rawValue);
  std::copy_n(secondValues, stored, f->secondValue);

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
