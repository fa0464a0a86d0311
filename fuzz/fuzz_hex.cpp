// A HEX firmware image of arbitrary bytes: loading, the threshold patch at an
// input-chosen offset and both checksums. A patch that succeeds must leave
// every touched record summing to zero and the checksum word matching.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzInput.h"
#include "flash/HexImage.h"
#include "flash/HexPatch.h"

using namespace padscope;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/padscope-fuzz-hex-" + std::to_string(getpid()) + ".hex";
  fuzz::FuzzInput in(data, size);
  const unsigned offset = in.Take<uint8_t>();
  ThresholdBytes thresholds{};
  for (uint8_t& t : thresholds) {
    t = in.Take<uint8_t>();
  }
  const auto text = in.Rest();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    return 0;
  }
  std::fwrite(text.data(), 1, text.size(), out);
  std::fclose(out);

  TkHexImage image;
  if (!image.Load(path)) {
    return 0;
  }
  (void)image.ProgramChecksum();
  for (std::size_t line = 0; line < image.LineCount() && line < 4096; ++line) {
    (void)image.Word(line);
    (void)image.RecordByte(line, 6);
  }
  const HexPatchResult r = PatchThresholds(image, offset, thresholds);
  (void)HexPatchMessage(r, offset);
  if (r.status != HexPatchStatus::kPatched) {
    return 0;
  }
  for (unsigned line = offset; line < offset + kHexThresholdCount; ++line) {
    unsigned sum = 0;
    for (int i = 0; i <= 6; ++i) {
      const auto b = image.RecordByte(line, i);
      if (!b) {
        __builtin_trap();
      }
      sum += *b;
    }
    if ((sum & 0xFF) != 0 || (image.Word(line).value_or(0) & 0xFF) != thresholds[line - offset]) {
      __builtin_trap();
    }
  }
  const auto checksum = image.ProgramChecksum();
  const auto stored = image.Word(TkHexImage::kChecksumLine);
  if (!checksum || !stored || (*stored & 0x3FFF) != (*checksum & 0x3FFF)) {
    __builtin_trap();
  }
  return 0;
}
