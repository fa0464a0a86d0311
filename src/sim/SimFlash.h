#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace padscope {

// The adapter's serial NOR flash: bytes that read 0xFF when blank, where
// programming can only clear bits. Not thread-safe; the adapter's lock guards it.
class SimFlash {
 public:
  explicit SimFlash(uint8_t sizeCode);

  // Bytes of flash for a size code as the status reply reports it: 0x20 → 2 MiB,
  // 0x80 → 8 MiB, 0x40 and any unknown code → 4 MiB.
  static size_t SizeForCode(uint8_t sizeCode);

  size_t Size() const { return bytes_.size(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

  // Sets every byte back to 0xFF.
  void Erase();
  // Sets bytes [from, to) back to 0xFF (clipped).
  void EraseRange(uint64_t from, uint64_t to);

  // Programs like real NOR (new = old AND data). Bytes past the end are ignored.
  // Returns how many bytes landed inside the flash.
  size_t Program(uint64_t offset, const uint8_t* data, size_t length);

  // Overwrites bytes as given, bypassing the erase rule (test set-up). Clipped.
  void Store(uint64_t offset, const uint8_t* data, size_t length);

  // Copies `length` bytes from `offset` into `out`; bytes past the end read 0xFF.
  void Read(uint64_t offset, uint8_t* out, size_t length) const;

  // True when the range holds only 0xFF or lies (partly) past the end.
  bool IsBlank(uint64_t offset, size_t length) const;

 private:
  size_t Clip(uint64_t offset, size_t length) const;

  std::vector<uint8_t> bytes_;
};

}  // namespace padscope
