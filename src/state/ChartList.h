#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace padscope {

inline constexpr char kChartListFileName[] = "~list.tmp";
inline constexpr std::size_t kChartNameField = 128;
inline constexpr std::size_t kChartPathField = 256;
inline constexpr std::size_t kChartRecordSize = kChartNameField + kChartPathField;
inline constexpr std::size_t kChartListSavedEntries = 11;
// Bounds what a garbage list file can put into the list; the program itself
// never writes more than kChartListSavedEntries records.
inline constexpr std::size_t kChartListMaxLoadedEntries = 1024;

// One recent chart: the file name shown in the list and its full path, both
// UTF-8. The list's number column is the entry's position + 1.
struct ChartListEntry {
  std::string name;
  std::string path;

  bool operator==(const ChartListEntry&) const = default;
};

// "~list.tmp" in the state folder.
std::filesystem::path ChartListFilePath();

// The records of `entries` in order, 384 bytes each: the name in a 128-byte
// field, the path in a 256-byte field, both zero-terminated and zero-padded.
// A name longer than 127 bytes is cut at the last UTF-8 character boundary
// that fits. An entry whose path is longer than 255 bytes is left out, since a
// cut path would name another file.
std::vector<uint8_t> ChartListToImage(std::span<const ChartListEntry> entries);

// The entries of a list file image: one per complete 384-byte record (at most
// kChartListMaxLoadedEntries), each text up to the first zero byte of its
// field or the field's end. A partial trailing record is ignored.
std::vector<ChartListEntry> ChartListFromImage(std::span<const uint8_t> image);

// The entries of the list file at `path`; empty when it is missing or
// unreadable. Any thread.
std::vector<ChartListEntry> LoadChartList(const std::filesystem::path& path);

// LoadChartList(ChartListFilePath()).
std::vector<ChartListEntry> LoadChartList();

// Writes the last 11 entries (oldest first) that ChartListToImage can store
// to `path`, replacing the file only once the new one is complete. With no
// such entry the existing file is left as it is, so entries removed during
// the run come back at the next start. Returns false only when writing failed
// (the previous file is then whole). Any thread.
bool SaveChartList(std::span<const ChartListEntry> entries, const std::filesystem::path& path);

// SaveChartList(entries, ChartListFilePath()).
bool SaveChartList(std::span<const ChartListEntry> entries);

}  // namespace padscope
