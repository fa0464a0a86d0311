#pragma once

#include <cstddef>
#include <cstdint>

namespace padscope {

inline constexpr int kFrameChannels = 16;
inline constexpr int kRawBytes = 64;
inline constexpr int32_t kValueOffset = 0x8000;  // stored values: 0x8000 stands for zero

// How the adapter's 16-bit values arrive. Either way the decoder stores them
// offset by 0x8000.
enum class ValueEncoding : int {
  Undecided,
  TwosComplement,  // the count as a two's-complement word
  Offset,          // the count plus 0x8000
};

// The encoding that a frame's first values (channels words from byte 3) fit.
// Words whose top bits are all clear are two's complement: non-negative
// counts, the likeliest kind. Any other frame takes the reading that puts its
// values nearer zero. So non-negative two's-complement counts of any size,
// and any counts within 16383 of zero, are read right in either encoding.
ValueEncoding ChooseValueEncoding(const uint8_t* raw, int channels);

// One decoded adapter frame, 388 bytes. The layout is part of the program's
// contract with its views and exports and is checked below.
struct SampleFrame {
  uint8_t raw[kRawBytes];               // the adapter's payload exactly as received
  uint8_t rawTail[kRawBytes];           // always zero; decoding reads past byte 63 into it
  int32_t rawValue[kFrameChannels];     // first value of each channel, offset by 0x8000
  int32_t secondValue[kFrameChannels];  // second value: offset 16-bit, or the plain byte
  uint8_t keyAux[64];    // over-threshold mark the key scope view writes into the newest frame
  uint8_t keyState[64];  // non-zero when the channel's key bit is set
  uint32_t timestamp;    // TickMs() when the frame was decoded
};

static_assert(sizeof(SampleFrame) == 388);
static_assert(offsetof(SampleFrame, raw) == 0);
static_assert(offsetof(SampleFrame, rawTail) == 64);
static_assert(offsetof(SampleFrame, rawValue) == 128);
static_assert(offsetof(SampleFrame, secondValue) == 192);
static_assert(offsetof(SampleFrame, keyAux) == 256);
static_assert(offsetof(SampleFrame, keyState) == 320);
static_assert(offsetof(SampleFrame, timestamp) == 384);

// Byte i of the payload and the zero bytes after it (0 <= i < 128); anything
// else reads 0.
inline uint8_t FrameByte(const SampleFrame& f, int i) {
  if (i >= 0 && i < kRawBytes) {
    return f.raw[i];
  }
  if (i >= kRawBytes && i < 2 * kRawBytes) {
    return f.rawTail[i - kRawBytes];
  }
  return 0;
}

}  // namespace padscope
