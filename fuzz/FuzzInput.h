#pragma once

// Takes typed values off the front of a fuzzer's input; what is left is the
// payload. Reads past the end give zeros, so every input is usable.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace padscope::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  template <typename T>
  T Take() {
    T value{};
    const size_t n = sizeof(T) < size_ ? sizeof(T) : size_;
    if (n > 0) {
      std::memcpy(&value, data_, n);
    }
    data_ += n;
    size_ -= n;
    return value;
  }
  std::span<const uint8_t> TakeBytes(size_t count) {
    const size_t n = count < size_ ? count : size_;
    std::span<const uint8_t> out(data_, n);
    data_ += n;
    size_ -= n;
    return out;
  }
  std::span<const uint8_t> Rest() const { return {data_, size_}; }
  bool Empty() const { return size_ == 0; }

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace padscope::fuzz
