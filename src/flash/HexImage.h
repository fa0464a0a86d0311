#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

namespace padscope {

// Largest HEX file an image holds (1 MiB).
inline constexpr std::size_t kHexBufferSize = 1048576;

// The firmware's HEX text is one record per program word, each line exactly
// ":02" address(4) type(2) low(2) high(2) checksum(2) CR LF.
inline constexpr std::size_t kHexLineLength = 17;

// A HEX firmware image kept as the file's text, read as fixed 17-character
// lines where line n holds program word n. The image owns a 1 MiB buffer for
// its lifetime; Length() bytes of it are the loaded text.
//
// Every operation on a line works only on lines that lie wholly inside the
// loaded text and reports false otherwise, so nothing is ever patched that a
// save would not write. One thread at a time.
class HexImage {
 public:
  HexImage();
  virtual ~HexImage();
  HexImage(const HexImage&) = delete;
  HexImage& operator=(const HexImage&) = delete;

  // Reads the whole file at `path`. A file longer than kHexBufferSize, or one
  // that cannot be read, fails and leaves the image as it was.
  bool Load(const std::filesystem::path& path);

  // Empties the image: first character 0 and nothing loaded, so a later save
  // cannot write what is left of a previous file.
  void Clear();

  // Number of whole lines in the loaded text.
  std::size_t LineCount() const { return length_ / kHexLineLength; }
  bool HoldsLine(std::size_t line) const { return line < LineCount(); }

  // Whether `line` has the one-word record shape: ':', byte count "02", hex
  // digits up to the record checksum, then CR LF.
  bool IsWordRecord(std::size_t line) const;

  // Writes `value` as two upper-case hex digits into the word's low byte;
  // with `refreshRecordChecksum` the line's record checksum follows.
  bool SetByte(std::size_t line, uint8_t value, bool refreshRecordChecksum);
  // Writes both data bytes of a line, low first.
  bool SetWordBytes(std::size_t line, uint8_t low, uint8_t high, bool refreshRecordChecksum);
  // Stores the two's complement of the sum of the record's first six bytes.
  bool RefreshRecordChecksum(std::size_t line);

  // The program word of a line (high byte × 256 + low byte), or nothing when
  // the line is not loaded or its data field is not hexadecimal.
  std::optional<uint16_t> Word(std::size_t line) const;

  // Byte i (0 = byte count, 6 = record checksum) of a line's record, or
  // nothing when that field is not two hex digits.
  std::optional<uint8_t> RecordByte(std::size_t line, int i) const;

  // Recomputes the image's program checksum word. False, with nothing
  // changed, when the words it covers or the word it is kept in are missing.
  virtual bool RefreshChecksum() = 0;

  // The loaded text, for saving.
  std::span<const uint8_t> Text() const { return {buffer_.get(), length_}; }
  std::size_t Length() const { return length_; }
  const uint8_t* Buffer() const { return buffer_.get(); }

 private:
  void WriteHexByte(std::size_t pos, uint8_t value);

  std::unique_ptr<uint8_t[]> buffer_;
  std::size_t length_ = 0;
};

// The touch-key chip's firmware image: its program checksum is a 14-bit CRC
// of words 0 to 2044 kept in word 2047; words 2045 and 2046 are not covered.
class TkHexImage : public HexImage {
 public:
  static constexpr std::size_t kChecksumLine = 2047;
  static constexpr std::size_t kLastCoveredWord = 2044;
  // Bits of the last covered word that the chip reads as set, whatever the
  // image holds there.
  static constexpr uint16_t kForcedBits = 0x231F;

  bool RefreshChecksum() override;

  // The checksum the image should hold, or nothing when a covered word is
  // missing or not hexadecimal.
  std::optional<uint16_t> ProgramChecksum() const;
};

// 16-bit CRC, polynomial 0x8005, initial value 0xFFFF, no reflection and no
// final XOR, over `bytes` in order.
uint16_t Crc16(std::span<const uint8_t> bytes, uint16_t crc = 0xFFFF);

}  // namespace padscope
