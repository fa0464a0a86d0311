#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "flash/HexImage.h"

namespace padscope {

struct GlobalSettings;

inline constexpr int kHexThresholdCount = 16;
inline constexpr unsigned kDefaultThresholdOffset = 0x10;

using ThresholdBytes = std::array<uint8_t, kHexThresholdCount>;

// The byte each channel's threshold is stored as: the low 8 bits of
// threshold + thresholdDelta (300 is stored as 0x2C).
ThresholdBytes ThresholdBytesOf(const GlobalSettings& settings);

enum class HexPatchStatus {
  kPatched,
  kNoImage,            // nothing loaded
  kOffsetBeyondImage,  // a threshold word lies past the loaded text
  kNoChecksumWord,     // the image ends before the checksum word
  kNotWordRecord,      // a line the patch reads or writes is not a one-word record
};

struct HexPatchResult {
  HexPatchStatus status = HexPatchStatus::kPatched;
  std::size_t line = 0;   // the offending line, for kNotWordRecord
  uint16_t checksum = 0;  // the stored program checksum, for kPatched
};

// Stores the sixteen threshold bytes into the low bytes of words
// offset..offset+15 (their high bytes are kept), refreshes each touched
// record checksum and then the program checksum. Before anything is written
// every line the patch reads or writes is checked, so a refused patch leaves
// the image exactly as it was. UI thread or any one thread owning the image.
HexPatchResult PatchThresholds(TkHexImage& image, unsigned offset,
                               const ThresholdBytes& thresholds);

// The message for a refused patch (empty for kPatched).
std::string HexPatchMessage(const HexPatchResult& result, unsigned offset);

// Writes the loaded text of `image` to `path`, replacing an existing file
// only once the new one is complete. False when nothing could be written.
bool SaveHexImage(const HexImage& image, const std::filesystem::path& path);

}  // namespace padscope
