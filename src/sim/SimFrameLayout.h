#pragma once

#include <array>
#include <cstdint>

#include "sim/SimulatedAdapter.h"
#include "sim/TouchModel.h"

namespace padscope {

using SimFrame = std::array<uint8_t, 64>;

// Byte positions shared by every layout.
inline constexpr int kFrameKeyBitsLow = 0;   // key bits of channels 0..7
inline constexpr int kFrameKeyBitsHigh = 1;  // key bits of channels 8..15
inline constexpr int kFrameChannelByte = 2;
inline constexpr int kFrameRawStart = 3;
inline constexpr uint8_t kDoubleChannelByte = 0x88;
inline constexpr int kDoubleMarkOffset = 58;  // "double" in the marked layout

// How 16-bit values go on the wire.
struct SimValueFormat {
  SimValueEncoding encoding = SimValueEncoding::TwosComplement;
  int countShift = 0;  // added to every raw count
};

// Returns how many channels a layout carries (16, 8 or 1).
int LayoutChannels(SimLayout layout);
// True for the layouts whose key values are single bytes.
bool IsSingleByteLayout(SimLayout layout);

// Returns the 16-bit word that carries `value` (held to -32768..32767).
uint16_t EncodeValue(int value, SimValueEncoding encoding);

// Returns the touch chip's frame `frame` in `layout`. A key bit is set when the
// channel's key value exceeds its threshold; thresholds count in the same units
// as the key values in every layout.
SimFrame EncodeFrame(const TouchModel& model, uint64_t frame, SimLayout layout,
                     const std::array<uint8_t, 16>& thresholds, const SimValueFormat& format = {});

// Damages a frame the way `fault` names.
void ApplyFrameFault(SimFrame& frame, SimFrameFault fault);

}  // namespace padscope
