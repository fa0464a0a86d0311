#pragma once

#include <array>
#include <cstdint>

namespace padscope {

class HidAdapter;

inline constexpr int kSendBufferCount = 3;
inline constexpr int kSendBufferSize = 256;
inline constexpr int kSendBufferPayload = 64;  // what SendBuffer sends of a buffer

// The three command data buffers, all zero at start: buffer 0 carries the global
// parameters, buffer 2 a channel threshold, buffer 1 is unused. They are filled
// and sent on the UI thread right before each send.
struct SendBuffers {
  std::array<std::array<uint8_t, kSendBufferSize>, kSendBufferCount> bytes{};
};

// Zeroes one buffer. An index outside 0..2 logs "set buf index overflow." and
// changes nothing.
void ClearSendBuffer(SendBuffers& buffers, int index);

// Stores the low 8 bits of value at byte `offset` of buffer `index`. A bad index
// logs "set buf index overflow.", a bad offset "set buf offset overflow.", and
// nothing is stored.
void SetSendByte(SendBuffers& buffers, int index, int offset, int value);

// Sends the first 64 bytes of buffer `index` with `opcode` through
// SendWithData, connecting first when the adapter is not connected; every step
// goes to the message log. Returns false without an adapter, when no adapter can
// be connected, for a bad index, or when the transfer fails. UI thread.
bool SendBuffer(HidAdapter* adapter, const SendBuffers& buffers, uint8_t opcode, int index);

}  // namespace padscope
