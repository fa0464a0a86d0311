#include "sim/SimFlash.h"

#include <algorithm>
#include <cstring>

namespace padscope {

SimFlash::SimFlash(uint8_t sizeCode) : bytes_(SizeForCode(sizeCode), 0xFF) {}

size_t SimFlash::SizeForCode(uint8_t sizeCode) {
  constexpr size_t kMiB = 1024 * 1024;
  switch (sizeCode) {
    case 0x20:
      return 2 * kMiB;
    case 0x80:
      return 8 * kMiB;
    default:
      return 4 * kMiB;
  }
}

void SimFlash::Erase() {
  std::fill(bytes_.begin(), bytes_.end(), uint8_t{0xFF});
}

void SimFlash::EraseRange(uint64_t from, uint64_t to) {
  if (to > from) {
    const size_t n = Clip(from, static_cast<size_t>(std::min<uint64_t>(to - from, bytes_.size())));
    std::fill_n(bytes_.begin() + static_cast<ptrdiff_t>(std::min<uint64_t>(from, bytes_.size())), n,
                uint8_t{0xFF});
  }
}

size_t SimFlash::Clip(uint64_t offset, size_t length) const {
  if (offset >= bytes_.size()) {
    return 0;
  }
  return static_cast<size_t>(std::min<uint64_t>(length, bytes_.size() - offset));
}

size_t SimFlash::Program(uint64_t offset, const uint8_t* data, size_t length) {
  const size_t n = Clip(offset, length);
  uint8_t* dst = bytes_.data() + offset;
  for (size_t i = 0; i < n; ++i) {
    dst[i] &= data[i];
  }
  return n;
}

void SimFlash::Store(uint64_t offset, const uint8_t* data, size_t length) {
  const size_t n = Clip(offset, length);
  if (n > 0) {
    std::memcpy(bytes_.data() + offset, data, n);
  }
}

void SimFlash::Read(uint64_t offset, uint8_t* out, size_t length) const {
  const size_t n = Clip(offset, length);
  if (n > 0) {
    std::memcpy(out, bytes_.data() + offset, n);
  }
  std::memset(out + n, 0xFF, length - n);
}

bool SimFlash::IsBlank(uint64_t offset, size_t length) const {
  const size_t n = Clip(offset, length);
  if (n < length) {
    return true;
  }
  const uint8_t* p = bytes_.data() + offset;
  return std::all_of(p, p + n, [](uint8_t b) { return b == 0xFF; });
}

}  // namespace padscope
