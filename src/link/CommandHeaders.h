#pragma once

#include <array>
#include <cstdint>

namespace padscope {

// Command headers as they go on the wire (without the report id). Multi-byte
// fields are big-endian.

// Short header: "USBC", a 24-bit argument (bits above 23 dropped), the opcode.
std::array<uint8_t, 8> BuildShortHeader(uint32_t argument24, uint8_t opcode);

// Short header whose byte 4 carries a value and bytes 5 and 6 are zero.
std::array<uint8_t, 8> BuildShortHeaderWithByte(uint8_t value, uint8_t opcode);

// Long (Corvex) header: "USBC", argument A, argument B (the data-phase length),
// the opcode as argument C, 48 zero bytes.
std::array<uint8_t, 64> BuildLongHeader(uint32_t argumentA, uint32_t argumentB, uint8_t opcode);

// Block (Pelmira bulk) header: "USBC", the number of whole 64-byte blocks in
// `length` as 24 bits, the opcode, 56 zero bytes.
std::array<uint8_t, 64> BuildBlockHeader(uint32_t length, uint8_t opcode);

}  // namespace padscope
