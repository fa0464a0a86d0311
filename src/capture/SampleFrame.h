#pragma once

#include <cstdint>

namespace padscope {

inline constexpr int kFrameChannels = 16;
inline constexpr int kRawBytes = 64;
inline constexpr int32_t kValueOffset = 0x8000;  // stored values: 0x8000 stands for zero

// How the adapter's 16-bit values are read. A frame's word is the chip's count
// as a signed 16-bit number, stored with its top bit flipped; an adapter that
// sends its counts plus 0x8000 instead is read that way only when the user says
// so (`--offset-values`): the encoding is never guessed from the values.
enum class ValueEncoding : int {
  TwosComplement,  // the count as a two's-complement word (the default)
  Offset,          // the count plus 0x8000, by the user's choice
};

// One decoded adapter frame, 136 bytes. The layout is the buffer's own (no file
// stores it): the 64 payload bytes that charts and raw tables are written
// from, the decoded values at the 16-bit width they have on the wire, the key
// bits and the marks as bit sets, and the time stamp.
struct SampleFrame {
  uint8_t raw[kRawBytes];                // the adapter's payload exactly as received
  uint16_t rawValue[kFrameChannels];     // first value of each channel, offset by 0x8000
  uint16_t secondValue[kFrameChannels];  // second value: offset 16-bit, or the plain byte
  uint32_t timestamp;                    // TickMs() when the frame was decoded
  uint16_t keyBits;                      // bit k set when channel k's key bit is set
  uint16_t auxBits;  // bit k: over-threshold mark the key scope view sets on the newest frame

  // Channels outside 0..15 read false and are never set.
  bool KeyState(int channel) const { return Bit(keyBits, channel); }
  bool KeyAux(int channel) const { return Bit(auxBits, channel); }
  void SetKeyState(int channel, bool on) { SetBit(keyBits, channel, on); }
  void SetKeyAux(int channel, bool on) { SetBit(auxBits, channel, on); }

 private:
  static bool Bit(uint16_t bits, int k) {
    return k >= 0 && k < kFrameChannels && ((bits >> k) & 1u) != 0;
  }
  static void SetBit(uint16_t& bits, int k, bool on) {
    if (k >= 0 && k < kFrameChannels) {
      const auto mask = static_cast<uint16_t>(1u << k);
      bits = on ? static_cast<uint16_t>(bits | mask) : static_cast<uint16_t>(bits & ~mask);
    }
  }
};

static_assert(sizeof(SampleFrame) == 136);

}  // namespace padscope
