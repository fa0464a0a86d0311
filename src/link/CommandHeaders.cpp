#include "link/CommandHeaders.h"

#include <algorithm>

#include "link/Opcodes.h"

namespace padscope {

namespace {

template <size_t N>
void PutSignature(std::array<uint8_t, N>& header) {
  std::copy(std::begin(kCommandSignature), std::end(kCommandSignature), header.begin());
}

template <size_t N>
void Put24(std::array<uint8_t, N>& header, size_t at, uint32_t value) {
  header[at] = static_cast<uint8_t>(value >> 16);
  header[at + 1] = static_cast<uint8_t>(value >> 8);
  header[at + 2] = static_cast<uint8_t>(value);
}

template <size_t N>
void Put32(std::array<uint8_t, N>& header, size_t at, uint32_t value) {
  header[at] = static_cast<uint8_t>(value >> 24);
  Put24(header, at + 1, value);
}

}  // namespace

std::array<uint8_t, 8> BuildShortHeader(uint32_t argument24, uint8_t opcode) {
  std::array<uint8_t, 8> h{};
  PutSignature(h);
  Put24(h, 4, argument24);
  h[7] = opcode;
  return h;
}

std::array<uint8_t, 8> BuildShortHeaderWithByte(uint8_t value, uint8_t opcode) {
  std::array<uint8_t, 8> h{};
  PutSignature(h);
  h[4] = value;
  h[7] = opcode;
  return h;
}

std::array<uint8_t, 64> BuildLongHeader(uint32_t argumentA, uint32_t argumentB, uint8_t opcode) {
  std::array<uint8_t, 64> h{};
  PutSignature(h);
  Put32(h, 4, argumentA);
  Put32(h, 8, argumentB);
  Put32(h, 12, opcode);
  return h;
}

std::array<uint8_t, 64> BuildBlockHeader(uint32_t length, uint8_t opcode) {
  std::array<uint8_t, 64> h{};
  PutSignature(h);
  Put24(h, 4, length / kBlockLength);
  h[7] = opcode;
  return h;
}

}  // namespace padscope
