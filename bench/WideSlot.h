#pragma once

// The frame slot the buffer had before its compact one (388 bytes: the
// payload, 64 zero bytes, 32-bit values, byte-wide key states and marks, the
// time stamp) and its decoder as it was, kept as the baseline the compact
// slot is measured against in the same run.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "capture/SampleFrame.h"

namespace padscope::bench {

struct WideSlot {
  uint8_t raw[64];
  uint8_t rawTail[64];  // always zero; decoding reads past byte 63 into it
  int32_t rawValue[16];
  int32_t secondValue[16];
  uint8_t keyAux[64];
  uint8_t keyState[64];
  uint32_t timestamp;
};
static_assert(sizeof(WideSlot) == 388);

// The decoder's state for one stream, as the capture record held it.
class WideSlotDecoder {
 public:
  // Decodes slots[index] in place; the same results as CaptureContext::DecodeFrame.
  int Decode(WideSlot* slots, int capacity, int index, int singleByteMode, uint32_t stamp) {
    if (index < 0 || index >= capacity) {
      return -1;
    }
    WideSlot* f = slots + index;
    if (AllBytes(f->raw, 0)) {
      return -1;
    }
    f->timestamp = stamp;
    const int layout = std::memcmp(f->raw + 58, "double", 6) == 0 ? 2 : 3;
    if (AllBytes(f->raw, 0xFF)) {
      return -12;
    }
    const bool sameLayout = candidateLayout_ == layout;
    const int streak = sameLayout ? layoutStreak_ + 1 : 0;
    layoutStreak_ = streak;
    candidateLayout_ = layout;
    if (streak <= 5) {
      return -1;
    }
    const uint8_t d = f->raw[2];
    const int count = layout == 2 ? ((d & 0x80) ? d & 0x1F : d & 0x0F) : d & 0x1F;
    channelCount_ = count;  // the capture record kept it for the views
    const auto* b = reinterpret_cast<const uint8_t*>(f);
    const int stored = layout == 2 ? kFrameChannels : std::min(count, kFrameChannels);
    const int second = layout == 2 ? 35 : 3 + 2 * count;
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

  int ChannelCount() const { return channelCount_; }

 private:
  static bool AllBytes(const uint8_t* p, uint8_t value) {
    const uint64_t pattern = value == 0 ? 0 : ~uint64_t{0};
    uint64_t diff = 0;
    for (int i = 0; i < 64; i += 8) {
      uint64_t w;
      std::memcpy(&w, p + i, 8);
      diff |= w ^ pattern;
    }
    return diff == 0;
  }
  static int32_t Word(const uint8_t* b, int i) {
    const int word = (b[i] << 8) | b[i + 1];
    return (word - kValueOffset) & 0xFFFF;
  }

  int candidateLayout_ = -1;
  int layoutStreak_ = 0;
  int channelCount_ = 0;
};

}  // namespace padscope::bench
