#include "state/ChartList.h"

#include <algorithm>
#include <cstring>

#include "platform/FileBytes.h"
#include "platform/ProgramFolders.h"

namespace padscope {

namespace {

bool IsContinuationByte(char c) {
  return (static_cast<uint8_t>(c) & 0xC0) == 0x80;
}

// The longest prefix of `text` of at most maxBytes that does not end inside a
// UTF-8 sequence.
std::string_view CutAtCharacter(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) {
    return text;
  }
  std::size_t end = maxBytes;
  while (end > 0 && IsContinuationByte(text[end])) {
    --end;
  }
  return text.substr(0, end);
}

// Field text up to the first zero byte or the end of the field.
std::string FieldText(const uint8_t* field, std::size_t width) {
  const auto* end = std::find(field, field + width, uint8_t{0});
  return std::string(reinterpret_cast<const char*>(field), static_cast<std::size_t>(end - field));
}

bool PathFits(const ChartListEntry& entry) {
  return entry.path.size() < kChartPathField;
}

}  // namespace

std::filesystem::path ChartListFilePath() {
  return StateDirectory() / kChartListFileName;
}

std::vector<uint8_t> ChartListToImage(std::span<const ChartListEntry> entries) {
  std::vector<uint8_t> image;
  for (const ChartListEntry& entry : entries) {
    if (!PathFits(entry)) {
      continue;
    }
    const std::size_t at = image.size();
    image.resize(at + kChartRecordSize, 0);
    const std::string_view name = CutAtCharacter(entry.name, kChartNameField - 1);
    std::memcpy(image.data() + at, name.data(), name.size());
    std::memcpy(image.data() + at + kChartNameField, entry.path.data(), entry.path.size());
  }
  return image;
}

std::vector<ChartListEntry> ChartListFromImage(std::span<const uint8_t> image) {
  std::vector<ChartListEntry> entries;
  const std::size_t records = std::min(image.size() / kChartRecordSize, kChartListMaxLoadedEntries);
  for (std::size_t r = 0; r < records; ++r) {
    const uint8_t* record = image.data() + r * kChartRecordSize;
    entries.push_back(
        {FieldText(record, kChartNameField), FieldText(record + kChartNameField, kChartPathField)});
  }
  return entries;
}

std::vector<ChartListEntry> LoadChartList(const std::filesystem::path& path) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, kChartListMaxLoadedEntries * kChartRecordSize, bytes)) {
    return {};
  }
  return ChartListFromImage(bytes);
}

std::vector<ChartListEntry> LoadChartList() {
  return LoadChartList(ChartListFilePath());
}

bool SaveChartList(std::span<const ChartListEntry> entries, const std::filesystem::path& path) {
  std::vector<ChartListEntry> kept;
  std::copy_if(entries.begin(), entries.end(), std::back_inserter(kept), PathFits);
  if (kept.empty()) {
    return true;
  }
  const std::size_t first =
      kept.size() > kChartListSavedEntries ? kept.size() - kChartListSavedEntries : 0;
  const std::vector<uint8_t> image =
      ChartListToImage(std::span<const ChartListEntry>(kept).subspan(first));
  return ReplaceFileBytes(path, image);
}

bool SaveChartList(std::span<const ChartListEntry> entries) {
  return SaveChartList(entries, ChartListFilePath());
}

}  // namespace padscope
