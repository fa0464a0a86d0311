#include "flash/HexImage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/FileBytes.h"

namespace padscope {

namespace {

// Character positions within a line.
constexpr std::size_t kDataLow = 9;
constexpr std::size_t kDataHigh = 11;
constexpr std::size_t kRecordChecksum = 13;
constexpr std::size_t kLineEnd = 15;
constexpr int kRecordBytes = 7;  // byte count, address (2), type, data (2), checksum

int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

}  // namespace

HexImage::HexImage() : buffer_(std::make_unique<uint8_t[]>(kHexBufferSize)) {}

HexImage::~HexImage() = default;

bool HexImage::Load(const std::filesystem::path& path) {
  // One byte past the limit tells a file that fits from one that does not.
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, kHexBufferSize + 1, bytes) || bytes.size() > kHexBufferSize) {
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), buffer_.get());
  length_ = bytes.size();
  return true;
}

void HexImage::Clear() {
  buffer_[0] = 0;
  length_ = 0;
}

std::optional<uint8_t> HexImage::RecordByte(std::size_t line, int i) const {
  if (!HoldsLine(line) || i < 0 || i >= kRecordBytes) {
    return std::nullopt;
  }
  const uint8_t* p = buffer_.get() + line * kHexLineLength + 1 + 2 * static_cast<std::size_t>(i);
  const int hi = HexDigit(p[0]);
  const int lo = HexDigit(p[1]);
  if (hi < 0 || lo < 0) {
    return std::nullopt;
  }
  return static_cast<uint8_t>(hi * 16 + lo);
}

bool HexImage::IsWordRecord(std::size_t line) const {
  if (!HoldsLine(line)) {
    return false;
  }
  const uint8_t* p = buffer_.get() + line * kHexLineLength;
  if (p[0] != ':' || p[kLineEnd] != '\r' || p[kLineEnd + 1] != '\n') {
    return false;
  }
  for (int i = 0; i < kRecordBytes; ++i) {
    if (!RecordByte(line, i)) {
      return false;
    }
  }
  return RecordByte(line, 0) == 2;
}

void HexImage::WriteHexByte(std::size_t pos, uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  buffer_[pos] = static_cast<uint8_t>(kDigits[value >> 4]);
  buffer_[pos + 1] = static_cast<uint8_t>(kDigits[value & 0x0F]);
}

bool HexImage::SetByte(std::size_t line, uint8_t value, bool refreshRecordChecksum) {
  if (!HoldsLine(line)) {
    return false;
  }
  WriteHexByte(line * kHexLineLength + kDataLow, value);
  return !refreshRecordChecksum || RefreshRecordChecksum(line);
}

bool HexImage::SetWordBytes(std::size_t line, uint8_t low, uint8_t high,
                            bool refreshRecordChecksum) {
  if (!HoldsLine(line)) {
    return false;
  }
  WriteHexByte(line * kHexLineLength + kDataLow, low);
  WriteHexByte(line * kHexLineLength + kDataHigh, high);
  return !refreshRecordChecksum || RefreshRecordChecksum(line);
}

bool HexImage::RefreshRecordChecksum(std::size_t line) {
  unsigned sum = 0;
  for (int i = 0; i < kRecordBytes - 1; ++i) {
    const std::optional<uint8_t> b = RecordByte(line, i);
    if (!b) {
      return false;
    }
    sum += *b;
  }
  WriteHexByte(line * kHexLineLength + kRecordChecksum, static_cast<uint8_t>(0x100 - (sum & 0xFF)));
  return true;
}

std::optional<uint16_t> HexImage::Word(std::size_t line) const {
  const std::optional<uint8_t> low = RecordByte(line, 4);
  const std::optional<uint8_t> high = RecordByte(line, 5);
  if (!low || !high) {
    return std::nullopt;
  }
  return static_cast<uint16_t>(*high * 256 + *low);
}

uint16_t Crc16(std::span<const uint8_t> bytes, uint16_t crc) {
  for (const uint8_t b : bytes) {
    crc ^= static_cast<uint16_t>(b << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x8005)
                           : static_cast<uint16_t>(crc << 1);
    }
  }
  return crc;
}

std::optional<uint16_t> TkHexImage::ProgramChecksum() const {
  // Each word goes in most significant bit first: high byte, then low byte.
  std::array<uint8_t, 2 * (kLastCoveredWord + 1)> bytes{};
  for (std::size_t n = 0; n <= kLastCoveredWord; ++n) {
    std::optional<uint16_t> word = Word(n);
    if (!word) {
      return std::nullopt;
    }
    if (n == kLastCoveredWord) {
      *word |= kForcedBits;
    }
    bytes[2 * n] = static_cast<uint8_t>(*word >> 8);
    bytes[2 * n + 1] = static_cast<uint8_t>(*word & 0xFF);
  }
  return static_cast<uint16_t>(Crc16(bytes) & 0x3FFF);
}

bool TkHexImage::RefreshChecksum() {
  if (!HoldsLine(kChecksumLine)) {
    return false;
  }
  const std::optional<uint16_t> checksum = ProgramChecksum();
  if (!checksum) {
    return false;
  }
  return SetWordBytes(kChecksumLine, static_cast<uint8_t>(*checksum & 0xFF),
                      static_cast<uint8_t>(*checksum >> 8), true);
}

}  // namespace padscope
