#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "state/GlobalSettings.h"

namespace padscope {

inline constexpr char kSettingsFileName[] = "~tmp.tmp";
inline constexpr int32_t kDefaultBufferFrames = 1638400;

// "~tmp.tmp" in the state folder.
std::filesystem::path SettingsFilePath();

// The 1248-byte little-endian file image of `settings`, header word zero.
std::vector<uint8_t> SettingsToImage(const GlobalSettings& settings);

// Lays `image` over `settings` byte for byte, as reading a file of that length
// over the record does: bytes 0-3 and bytes past 1248 are ignored, and a short
// image changes only the bytes it holds (a field it cuts keeps its upper
// bytes). No value is checked here.
void SettingsFromImage(std::span<const uint8_t> image, GlobalSettings& settings);

// Reads the settings file at `path` over `settings`. Returns true when the file
// was read; when it is missing or unreadable, parameterMode becomes 1 and every
// other field stays as it is. Either way a bufferFrames that is not a positive
// multiple of 1024 becomes 1638400. Call before any capture thread exists.
bool LoadSettingsFrom(const std::filesystem::path& path, GlobalSettings& settings);

// LoadSettingsFrom(SettingsFilePath(), GlobalSettings::Instance()).
bool LoadSettings();

// Writes the image of `settings` to `path`, replacing the file only once the
// new one is complete. The flags of channels 1 to 15 are written as 0 (the
// main frame marks the shown channels anew at start); `settings` itself is not
// changed. Returns false when nothing could be written, leaving any previous
// file whole; nothing is reported. Call after the capture thread has ended.
bool SaveSettingsTo(const std::filesystem::path& path, const GlobalSettings& settings);

// SaveSettingsTo(SettingsFilePath(), GlobalSettings::Instance()).
bool SaveSettings();

}  // namespace padscope
