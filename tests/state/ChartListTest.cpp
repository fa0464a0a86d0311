// "~list.tmp": the recent chart list's records, what is saved and what a
// damaged file yields.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/FileBytes.h"
#include "platform/ProgramFolders.h"
#include "state/ChartList.h"

#include "common/Files.h"

namespace padscope {
namespace {

using test::Bytes;
using test::ReadAll;
using test::WriteAll;
namespace fs = std::filesystem;

std::vector<ChartListEntry> Numbered(int count) {
  std::vector<ChartListEntry> entries;
  for (int i = 0; i < count; ++i) {
    const std::string name = "chart" + std::to_string(i) + ".tkchart";
    entries.push_back({name, "/lab/" + name});
  }
  return entries;
}

// The entries of tests/data/chart-list-two.tmp (make_settings_fixtures.py).
const std::vector<ChartListEntry> kTwoEntries = {
    {"run1.tkchart", "/home/lab/charts/run1.tkchart"},
    {"触摸.tkchart", "/home/lab/图表/触摸.tkchart"},
};

class ChartListTest : public ::testing::Test {
 protected:
  fs::path file_ = StateDirectory() / "~list.tmp";
  fs::path fixture_ = fs::path(PADSCOPE_TEST_DATA_DIR) / "chart-list-two.tmp";
};

TEST_F(ChartListTest, TwoEntriesMatchTheGoldenFile) {
  EXPECT_EQ(ChartListFilePath(), file_);
  ASSERT_TRUE(SaveChartList(kTwoEntries));
  EXPECT_EQ(ReadAll(file_), ReadAll(fixture_));
  EXPECT_EQ(LoadChartList(fixture_), kTwoEntries);
}

TEST_F(ChartListTest, SavesAtMostTheLastElevenOldestFirst) {
  for (int count : {15, 12, 11, 3, 1}) {
    const auto entries = Numbered(count);
    ASSERT_TRUE(SaveChartList(entries));
    const std::size_t kept = std::min(count, 11);
    EXPECT_EQ(fs::file_size(file_), kept * kChartRecordSize) << count;
    const std::vector<ChartListEntry> expected(entries.end() - kept, entries.end());
    EXPECT_EQ(LoadChartList(), expected) << count;
  }
}

TEST_F(ChartListTest, EmptyListKeepsThePreviousFile) {
  ASSERT_TRUE(SaveChartList(kTwoEntries));
  const Bytes before = ReadAll(file_);
  EXPECT_TRUE(SaveChartList({}));
  EXPECT_EQ(ReadAll(file_), before);

  fs::remove(file_);
  EXPECT_TRUE(SaveChartList({}));
  EXPECT_FALSE(fs::exists(file_));
  EXPECT_TRUE(LoadChartList().empty());
}

TEST_F(ChartListTest, PartialTrailingRecordIsIgnored) {
  Bytes image = ReadAll(fixture_);
  image.resize(image.size() + kChartRecordSize - 1, 'x');
  WriteAll(file_, image);
  EXPECT_EQ(LoadChartList(), kTwoEntries);

  WriteAll(file_, Bytes(kChartRecordSize - 1, 'x'));
  EXPECT_TRUE(LoadChartList().empty());
}

TEST_F(ChartListTest, FieldsWithoutTerminatorStopAtTheirEnd) {
  Bytes image(kChartRecordSize, 'A');
  image.resize(2 * kChartRecordSize, 'B');
  const auto entries = ChartListFromImage(image);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, std::string(kChartNameField, 'A'));
  EXPECT_EQ(entries[0].path, std::string(kChartPathField, 'A'));
  EXPECT_EQ(entries[1].name, std::string(kChartNameField, 'B'));
}

TEST_F(ChartListTest, HugeFileLoadsABoundedList) {
  WriteAll(file_, Bytes((kChartListMaxLoadedEntries + 5) * kChartRecordSize, 'z'));
  EXPECT_EQ(LoadChartList().size(), kChartListMaxLoadedEntries);
}

TEST_F(ChartListTest, LongNameIsCutAtACharacterBoundary) {
  std::string name;
  while (name.size() < 200) {
    name += "触";  // three bytes: 127 is not a boundary, 126 is
  }
  const ChartListEntry entry{name, "/lab/x.tkchart"};
  const Bytes image = ChartListToImage({&entry, 1});
  ASSERT_EQ(image.size(), kChartRecordSize);
  EXPECT_EQ(image[126], 0);
  EXPECT_EQ(ChartListFromImage(image)[0].name, name.substr(0, 126));

  const ChartListEntry ascii{std::string(300, 'n'), "/p"};
  EXPECT_EQ(ChartListFromImage(ChartListToImage({&ascii, 1}))[0].name, std::string(127, 'n'));
}

TEST_F(ChartListTest, EntryWhosePathDoesNotFitIsNotSaved) {
  const std::string fits = "/" + std::string(254, 'p');  // 255 bytes
  std::vector<ChartListEntry> entries = Numbered(11);
  entries.insert(entries.begin() + 5, {"too long", fits + "q"});
  entries.push_back({"fits", fits});
  ASSERT_TRUE(SaveChartList(entries));

  const auto loaded = LoadChartList();
  ASSERT_EQ(loaded.size(), 11u);
  EXPECT_EQ(loaded.front().name, "chart1.tkchart");  // eleven of the twelve that fit
  EXPECT_EQ(loaded.back().path, fits);
  for (const auto& e : loaded) {
    EXPECT_NE(e.name, "too long");
  }

  // A list with nothing storable leaves the file as it is.
  const Bytes before = ReadAll(file_);
  const ChartListEntry unfit{"x", std::string(256, 'p')};
  EXPECT_TRUE(SaveChartList({&unfit, 1}));
  EXPECT_EQ(ReadAll(file_), before);
}

}  // namespace
}  // namespace padscope
