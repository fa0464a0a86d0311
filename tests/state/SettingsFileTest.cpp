// "~tmp.tmp": the file image, loading (short and missing files, bufferFrames)
// and saving (channel flags, failures).
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/FileBytes.h"
#include "platform/ProgramFolders.h"
#include "state/SettingsFile.h"

#include "common/Files.h"

namespace padscope {
namespace {

using test::Bytes;
using test::ReadAll;
using test::WriteAll;
namespace fs = std::filesystem;

// The saved image of a default record, made by tests/data/make_settings_fixtures.py.
Bytes DefaultFixture() {
  return ReadAll(fs::path(PADSCOPE_TEST_DATA_DIR) / "settings-default.tmp");
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { GlobalSettings::ResetInstanceForTest(); }
  void TearDown() override { GlobalSettings::ResetInstanceForTest(); }
  fs::path file_ = StateDirectory() / "~tmp.tmp";
};

TEST_F(SettingsFileTest, NoFileGivesDefaultsAndCloseWritesTheGoldenImage) {
  EXPECT_EQ(SettingsFilePath(), file_);
  EXPECT_FALSE(LoadSettings());
  EXPECT_EQ(GlobalSettings::Instance(), GlobalSettings{});

  ASSERT_TRUE(SaveSettings());
  const Bytes saved = ReadAll(file_);
  EXPECT_EQ(saved.size(), kSettingsImageSize);
  EXPECT_EQ(saved, DefaultFixture());
}

TEST_F(SettingsFileTest, GoldenImageLoadsAsDefaultsWhateverItsHeader) {
  Bytes image = DefaultFixture();
  std::memset(image.data(), 0xFF, 4);
  WriteAll(file_, image);
  GlobalSettings& s = GlobalSettings::Instance();
  s.zoom = 9;
  s.channel[7].rawMax = 1;

  EXPECT_TRUE(LoadSettings());
  EXPECT_EQ(s, GlobalSettings{});
}

// On a little-endian host the record's memory is the file image, so copying
// bytes into it gives what field-by-field parsing must give: this catches any
// field read from another field's offset.
TEST_F(SettingsFileTest, ImageMatchesTheRecordLayoutByteForByte) {
  if constexpr (std::endian::native != std::endian::little) {
    GTEST_SKIP() << "layout check needs a little-endian host";
  }
  Bytes image(kSettingsImageSize);
  for (std::size_t i = 0; i < image.size(); ++i) {
    image[i] = static_cast<uint8_t>(i * 7 + i / 256 + 1);
  }
  GlobalSettings parsed;
  SettingsFromImage(image, parsed);
  GlobalSettings copied;
  std::memcpy(static_cast<void*>(&copied), image.data(), image.size());
  copied.header = 0;  // the header word is ignored on load
  EXPECT_EQ(parsed, copied);

  Bytes expected = image;
  std::memset(expected.data(), 0, 4);  // and written as zero
  EXPECT_EQ(SettingsToImage(parsed), expected);
}

TEST_F(SettingsFileTest, ShortFileOverwritesOnlyTheBytesItHolds) {
  GlobalSettings changed;
  changed.parameterMode = 0x11223344;
  changed.samplingElapseTenths = 15;
  changed.chTimer = 7;

  // 10 bytes: header (ignored), parameterMode, samplingTimes.
  GlobalSettings s = changed;
  WriteAll(file_, {0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0x34, 0x12});
  EXPECT_TRUE(LoadSettingsFrom(file_, s));
  GlobalSettings expected = changed;
  expected.parameterMode = 2;
  expected.samplingTimes = 0x1234;
  EXPECT_EQ(s, expected);

  // 6 bytes cut parameterMode: its upper two bytes stay.
  s = changed;
  WriteAll(file_, {0, 0, 0, 0, 0xAA, 0xBB});
  EXPECT_TRUE(LoadSettingsFrom(file_, s));
  EXPECT_EQ(s.parameterMode, 0x1122BBAA);

  // Only the header: nothing changes.
  s = changed;
  WriteAll(file_, {9, 9, 9});
  EXPECT_TRUE(LoadSettingsFrom(file_, s));
  EXPECT_EQ(s, changed);
}

TEST_F(SettingsFileTest, MissingOrUnreadableFileSetsOnlyParameterMode) {
  GlobalSettings s;
  s.parameterMode = 2;
  s.zoom = 5;
  EXPECT_FALSE(LoadSettingsFrom(file_, s));
  EXPECT_EQ(s.parameterMode, 1);
  EXPECT_EQ(s.zoom, 5);

  fs::create_directory(file_);  // exists, but cannot be read as a file
  s.parameterMode = 2;
  EXPECT_FALSE(LoadSettingsFrom(file_, s));
  EXPECT_EQ(s.parameterMode, 1);
}

TEST_F(SettingsFileTest, UnusableBufferFramesIsReplacedAtLoad) {
  const struct {
    int32_t stored;
    int32_t loaded;
  } cases[] = {{1000, 1638400}, {2048, 2048},     {0, 1638400},
               {1024, 1024},    {-1024, 1638400}, {1638401, 1638400}};
  for (const auto& c : cases) {
    GlobalSettings stored;
    stored.bufferFrames = c.stored;
    WriteAll(file_, SettingsToImage(stored));
    GlobalSettings s;
    EXPECT_TRUE(LoadSettingsFrom(file_, s));
    EXPECT_EQ(s.bufferFrames, c.loaded) << "stored " << c.stored;
  }
  // The check also runs when there is no file to read.
  fs::remove(file_);
  GlobalSettings s;
  s.bufferFrames = 5;
  EXPECT_FALSE(LoadSettingsFrom(file_, s));
  EXPECT_EQ(s.bufferFrames, 1638400);
}

GlobalSettings ChangedRecord() {
  GlobalSettings s;
  s.parameterMode = 2;
  s.samplingTimes = 65535;
  s.samplingElapseTenths = 15;
  s.chTimer = 7;
  s.reserved16 = -3;
  s.debounceTime = 260;
  s.rangeMax = 65535;
  s.rangeMinDelta = -42;
  s.zoom = 18;
  s.keyRangeMin = -100;
  s.timeAxisMode = 0;
  s.singleByteMode = 0;
  s.channelColor[15] = 0x00123456;
  s.bufferFrames = 2048;
  for (int i = 0; i < kSettingsChannelCount; ++i) {
    ChannelConfig& c = s.channel[i];
    c.flags = kChannelEnabled;
    c.flagsReserved[2] = static_cast<uint8_t>(i);
    c.reserved[5] = -i;
    c.threshold = 90 + i;
    c.secondMax = 40000 + i;
    c.secondMinDelta = -i;
    c.baseline = 1000 * i;
    c.rawMax = 4095 - i;
    c.rawMin = i;
    c.expanded = i % 2;
  }
  return s;
}

TEST_F(SettingsFileTest, ChangedRecordRoundTripsExceptLaterChannelFlags) {
  const GlobalSettings before = ChangedRecord();
  ASSERT_TRUE(SaveSettingsTo(file_, before));
  EXPECT_EQ(fs::file_size(file_), kSettingsImageSize);

  GlobalSettings loaded;
  EXPECT_TRUE(LoadSettingsFrom(file_, loaded));
  GlobalSettings expected = before;
  for (int i = 1; i < kSettingsChannelCount; ++i) {
    expected.channel[i].flags = 0;
  }
  EXPECT_EQ(loaded, expected);
}

TEST_F(SettingsFileTest, SaveClearsLaterChannelFlagsInTheFileOnly) {
  GlobalSettings& s = GlobalSettings::Instance();
  for (ChannelConfig& c : s.channel) {
    ShowChannel(c);
  }
  ASSERT_TRUE(SaveSettings());

  const Bytes saved = ReadAll(file_);
  ASSERT_EQ(saved.size(), kSettingsImageSize);
  EXPECT_EQ(saved[160], 0x80);
  for (std::size_t i = 1; i < kSettingsChannelCount; ++i) {
    EXPECT_EQ(saved[160 + kChannelConfigSize * i], 0) << "channel " << i;
  }
  EXPECT_EQ(s.ShownChannelCount(), 16);  // the running record keeps its channels
}

TEST_F(SettingsFileTest, FailedSaveIsReported) {
  EXPECT_FALSE(SaveSettingsTo(StateDirectory() / "missing-folder" / "~tmp.tmp", GlobalSettings{}));
}

}  // namespace
}  // namespace padscope
