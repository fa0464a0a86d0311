#include "state/SettingsFile.h"

#include <algorithm>
#include <type_traits>

#include "platform/FileBytes.h"
#include "platform/ProgramFolders.h"
#include "state/SettingsFields.h"

namespace padscope {

namespace {

constexpr std::size_t kHeaderSize = 4;

template <typename T>
void PutLittleEndian(std::vector<uint8_t>& image, std::size_t offset, T value) {
  using U = std::make_unsigned_t<T>;
  const auto bits = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    image[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
  }
}

template <typename T>
T GetLittleEndian(const std::vector<uint8_t>& image, std::size_t offset) {
  using U = std::make_unsigned_t<T>;
  uint64_t bits = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    bits |= uint64_t{image[offset + i]} << (8 * i);
  }
  return static_cast<T>(static_cast<U>(bits));
}

void FixBufferFrames(GlobalSettings& settings) {
  // A negative count is as unusable as a zero one, so it is replaced too.
  if (settings.bufferFrames <= 0 || settings.bufferFrames % 1024 != 0) {
    settings.bufferFrames = kDefaultBufferFrames;
  }
}

}  // namespace

std::filesystem::path SettingsFilePath() {
  return StateDirectory() / kSettingsFileName;
}

std::vector<uint8_t> SettingsToImage(const GlobalSettings& settings) {
  std::vector<uint8_t> image(kSettingsImageSize, 0);
  settings_fields::ForEachSettingsField(
      settings, [&](const std::string&, std::size_t offset, const auto& field,
                    settings_fields::Style) { PutLittleEndian(image, offset, field); });
  return image;
}

void SettingsFromImage(std::span<const uint8_t> image, GlobalSettings& settings) {
  // Overlaying on the current image keeps the bytes a short image lacks.
  std::vector<uint8_t> merged = SettingsToImage(settings);
  const std::size_t end = std::min(image.size(), kSettingsImageSize);
  if (end > kHeaderSize) {
    std::copy(image.begin() + kHeaderSize, image.begin() + end, merged.begin() + kHeaderSize);
  }
  settings_fields::ForEachSettingsField(
      settings, [&](const std::string&, std::size_t offset, auto& field, settings_fields::Style) {
        field = GetLittleEndian<std::remove_reference_t<decltype(field)>>(merged, offset);
      });
}

bool LoadSettingsFrom(const std::filesystem::path& path, GlobalSettings& settings) {
  std::vector<uint8_t> bytes;
  const bool read = ReadFileBytes(path, kSettingsImageSize, bytes);
  if (read) {
    SettingsFromImage(bytes, settings);
  } else {
    settings.parameterMode = 1;
  }
  FixBufferFrames(settings);
  return read;
}

bool LoadSettings() {
  return LoadSettingsFrom(SettingsFilePath(), GlobalSettings::Instance());
}

bool SaveSettingsTo(const std::filesystem::path& path, const GlobalSettings& settings) {
  // Only the written image loses the flags: the record may still be in use
  // (a save while the program runs must not hide channels on screen).
  GlobalSettings stored = settings;
  for (std::size_t i = 1; i < stored.channel.size(); ++i) {
    stored.channel[i].flags = 0;
  }
  const std::vector<uint8_t> image = SettingsToImage(stored);
  return ReplaceFileBytes(path, image);
}

bool SaveSettings() {
  return SaveSettingsTo(SettingsFilePath(), GlobalSettings::Instance());
}

}  // namespace padscope
