#include "flash/HexPatch.h"

#include <cstdio>

#include "platform/FileBytes.h"
#include "state/GlobalSettings.h"

namespace padscope {

ThresholdBytes ThresholdBytesOf(const GlobalSettings& settings) {
  ThresholdBytes bytes{};
  for (int k = 0; k < kHexThresholdCount; ++k) {
    const auto sum = static_cast<uint32_t>(settings.channel[k].EffectiveThreshold());
    bytes[k] = static_cast<uint8_t>(sum & 0xFF);
  }
  return bytes;
}

namespace {

// First line among [first, last] that is not a one-word record.
std::optional<std::size_t> FirstBadLine(const HexImage& image, std::size_t first,
                                        std::size_t last) {
  for (std::size_t line = first; line <= last; ++line) {
    if (!image.IsWordRecord(line)) {
      return line;
    }
  }
  return std::nullopt;
}

}  // namespace

HexPatchResult PatchThresholds(TkHexImage& image, unsigned offset,
                               const ThresholdBytes& thresholds) {
  HexPatchResult result;
  if (image.Length() == 0) {
    result.status = HexPatchStatus::kNoImage;
    return result;
  }
  const std::size_t last = static_cast<std::size_t>(offset) + kHexThresholdCount - 1;
  if (!image.HoldsLine(last)) {
    result.status = HexPatchStatus::kOffsetBeyondImage;
    return result;
  }
  if (!image.HoldsLine(TkHexImage::kChecksumLine)) {
    result.status = HexPatchStatus::kNoChecksumWord;
    return result;
  }
  // A file whose lines are not one-word records (other line ends, longer
  // records) would be patched at the wrong places: refuse it instead.
  if (const auto bad = FirstBadLine(image, 0, TkHexImage::kChecksumLine)) {
    result.status = HexPatchStatus::kNotWordRecord;
    result.line = *bad;
    return result;
  }
  for (int k = 0; k < kHexThresholdCount; ++k) {
    image.SetByte(offset + static_cast<unsigned>(k), thresholds[k], true);
  }
  image.RefreshChecksum();
  result.checksum = image.Word(TkHexImage::kChecksumLine).value_or(0);
  return result;
}

std::string HexPatchMessage(const HexPatchResult& result, unsigned offset) {
  char text[160];
  switch (result.status) {
    case HexPatchStatus::kPatched:
      return {};
    case HexPatchStatus::kNoImage:
      return "No hex file loaded.";
    case HexPatchStatus::kOffsetBeyondImage:
      std::snprintf(text, sizeof text,
                    "Threshold offset %X lies beyond the end of the hex file; nothing was patched.",
                    offset);
      return text;
    case HexPatchStatus::kNoChecksumWord:
      std::snprintf(text, sizeof text,
                    "The hex file ends before program word %zu (its checksum word); nothing was "
                    "patched.",
                    TkHexImage::kChecksumLine);
      return text;
    case HexPatchStatus::kNotWordRecord:
      std::snprintf(text, sizeof text,
                    "Line %zu of the hex file is not a one-word record; nothing was patched.",
                    result.line + 1);
      return text;
  }
  return {};
}

bool SaveHexImage(const HexImage& image, const std::filesystem::path& path) {
  return ReplaceFileBytes(path, image.Text());
}

}  // namespace padscope
