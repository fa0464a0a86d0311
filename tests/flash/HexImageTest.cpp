// The HEX firmware image: loading, record editing, the program checksum and
// the threshold patch, against golden files made by tests/data/make_hex_fixtures.py.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/Files.h"
#include "flash/HexImage.h"
#include "flash/HexPatch.h"
#include "platform/ProgramFolders.h"
#include "state/GlobalSettings.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

const fs::path kData = PADSCOPE_TEST_DATA_DIR;

// What make_hex_fixtures.py patches into hex-patched-10.hex (300 as 0x2C).
constexpr ThresholdBytes kGoldenThresholds = {40,  0x2C, 0,  255, 41,  90, 100, 7,
                                              128, 200,  16, 17,  250, 1,  2,   3};

unsigned RecordSum(const HexImage& image, std::size_t line) {
  unsigned sum = 0;
  for (int i = 0; i < 7; ++i) {
    sum += image.RecordByte(line, i).value();
  }
  return sum & 0xFF;
}

std::string Line(const HexImage& image, std::size_t line) {
  const auto* p = reinterpret_cast<const char*>(image.Buffer()) + line * kHexLineLength;
  return std::string(p, kHexLineLength);
}

fs::path Temp(const char* name) {
  return StateDirectory() / name;
}

// An image made of the given bytes.
void LoadBytes(HexImage& image, const Bytes& bytes) {
  test::WriteAll(Temp("in.hex"), bytes);
  ASSERT_TRUE(image.Load(Temp("in.hex")));
}

class HexPatch : public ::testing::Test {
 protected:
  void SetUp() override {
    base = test::ReadAll(kData / "hex-base.hex");
    ASSERT_EQ(base.size(), 2048 * kHexLineLength + 13);
    ASSERT_TRUE(image.Load(kData / "hex-base.hex"));
  }
  Bytes base;
  TkHexImage image;
};

TEST(Crc16, CheckValueOfTheParameterSet) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc16({reinterpret_cast<const uint8_t*>(check.data()), check.size()}), 0xAEE7);
}

TEST(HexImageLoad, OneMebibyteLoadsAndOneByteMoreFailsLeavingTheImage) {
  TkHexImage image;
  EXPECT_EQ(image.Length(), 0u);
  test::WriteAll(Temp("max.hex"), Bytes(kHexBufferSize, 'A'));
  ASSERT_TRUE(image.Load(Temp("max.hex")));
  EXPECT_EQ(image.Length(), kHexBufferSize);
  EXPECT_EQ(image.Buffer()[kHexBufferSize - 1], 'A');

  ASSERT_TRUE(image.Load(kData / "hex-base.hex"));
  const Bytes before(image.Text().begin(), image.Text().end());
  test::WriteAll(Temp("over.hex"), Bytes(kHexBufferSize + 1, 'B'));
  EXPECT_FALSE(image.Load(Temp("over.hex")));
  EXPECT_FALSE(image.Load(Temp("missing.hex")));
  EXPECT_FALSE(image.Load(StateDirectory())) << "a folder is no file";
  EXPECT_EQ(Bytes(image.Text().begin(), image.Text().end()), before);
}

TEST(HexImageLoad, ClearLeavesNothingToPatchOrSave) {
  TkHexImage image;
  ASSERT_TRUE(image.Load(kData / "hex-base.hex"));
  image.Clear();
  EXPECT_EQ(image.Buffer()[0], 0);
  EXPECT_EQ(image.Length(), 0u);
  EXPECT_FALSE(image.HoldsLine(0));
  EXPECT_EQ(PatchThresholds(image, 0x10, kGoldenThresholds).status, HexPatchStatus::kNoImage);
  EXPECT_EQ(HexPatchMessage({HexPatchStatus::kNoImage}, 0x10), "No hex file loaded.");
}

TEST_F(HexPatch, RecordEditsKeepTheOtherByteAndFixTheRecordChecksum) {
  const uint16_t word = image.Word(5).value();
  ASSERT_TRUE(image.SetByte(5, 0xAB, true));
  EXPECT_EQ(image.Word(5), (word & 0xFF00) | 0xAB);
  EXPECT_EQ(RecordSum(image, 5), 0u);

  const std::string before = Line(image, 6);
  ASSERT_TRUE(image.SetByte(6, 0x01, false));
  EXPECT_EQ(Line(image, 6).substr(13), before.substr(13)) << "checksum left alone when not asked";
  ASSERT_TRUE(image.RefreshRecordChecksum(6));
  EXPECT_EQ(RecordSum(image, 6), 0u);

  ASSERT_TRUE(image.SetWordBytes(7, 0x3C, 0xF0, true));
  EXPECT_EQ(image.Word(7), 0xF03C);
  EXPECT_EQ(Line(image, 7).substr(0, 1), ":");
  EXPECT_EQ(Line(image, 7).substr(9, 4), "3CF0") << "upper-case digits, low byte first";
  EXPECT_EQ(RecordSum(image, 7), 0u);
}

TEST_F(HexPatch, LinesPastTheLoadedTextAreNeverWritten) {
  const std::size_t lines = image.LineCount();
  EXPECT_EQ(lines, 2048u) << "the EOF record is no whole line";
  EXPECT_FALSE(image.SetByte(lines, 0x55, true));
  EXPECT_FALSE(image.SetWordBytes(lines + 100, 1, 2, true));
  EXPECT_FALSE(image.Word(lines).has_value());
  for (std::size_t i = image.Length(); i < image.Length() + 200; ++i) {
    ASSERT_EQ(image.Buffer()[i], 0) << i;
  }
}

TEST_F(HexPatch, OffsetTenMatchesTheGoldenFile) {
  const HexPatchResult r = PatchThresholds(image, 0x10, kGoldenThresholds);
  ASSERT_EQ(r.status, HexPatchStatus::kPatched);
  EXPECT_EQ(Bytes(image.Text().begin(), image.Text().end()),
            test::ReadAll(kData / "hex-patched-10.hex"));
  EXPECT_EQ(r.checksum, image.Word(2047));

  TkHexImage original;
  ASSERT_TRUE(original.Load(kData / "hex-base.hex"));
  for (std::size_t n = 0; n < 2048; ++n) {
    const bool threshold = n >= 16 && n <= 31;
    if (threshold) {
      EXPECT_EQ(image.Word(n).value() & 0xFF, kGoldenThresholds[n - 16]) << n;
      EXPECT_EQ(image.Word(n).value() >> 8, original.Word(n).value() >> 8) << "high byte " << n;
    }
    if (threshold || n == 2047) {
      EXPECT_EQ(RecordSum(image, n), 0u) << n;
    } else {
      EXPECT_EQ(Line(image, n), Line(original, n)) << n;
    }
  }
  EXPECT_EQ(image.Word(17).value() & 0xFF, 0x2C) << "300 keeps its low byte";
  EXPECT_EQ(image.Word(2047).value() & ~0x3FFF, 0) << "14-bit checksum";
}

TEST_F(HexPatch, OffsetFFPatchesWordsFFTo10E) {
  TkHexImage original;
  ASSERT_TRUE(original.Load(kData / "hex-base.hex"));
  ASSERT_EQ(PatchThresholds(image, 0xFF, kGoldenThresholds).status, HexPatchStatus::kPatched);
  for (std::size_t n = 0xFE; n <= 0x10F; ++n) {
    if (n < 0xFF || n > 0x10E) {
      EXPECT_EQ(Line(image, n), Line(original, n)) << n;
      continue;
    }
    EXPECT_EQ(image.Word(n).value() & 0xFF, kGoldenThresholds[n - 0xFF]) << n;
    EXPECT_EQ(RecordSum(image, n), 0u) << n;
  }
  EXPECT_EQ(image.Word(2047), image.ProgramChecksum());
  EXPECT_EQ(RecordSum(image, 2047), 0u);
}

TEST_F(HexPatch, SavingAgainPatchesThePatchedImage) {
  ASSERT_EQ(PatchThresholds(image, 0xFF, ThresholdBytes{}).status, HexPatchStatus::kPatched);
  ASSERT_EQ(PatchThresholds(image, 0x10, kGoldenThresholds).status, HexPatchStatus::kPatched);
  EXPECT_EQ(image.Word(0xFF).value() & 0xFF, 0) << "the first patch stays";
  EXPECT_EQ(image.Word(2047), image.ProgramChecksum());
}

TEST_F(HexPatch, ChecksumCoversWordsZeroTo2044WithTheForcedBits) {
  const uint16_t checksum = image.ProgramChecksum().value();
  const uint16_t w2044 = image.Word(2044).value();
  ASSERT_TRUE(image.SetWordBytes(2045, 0x12, 0x34, true));
  ASSERT_TRUE(image.SetWordBytes(2046, 0xFF, 0xFF, true));
  EXPECT_EQ(image.ProgramChecksum(), checksum) << "words 2045 and 2046 are outside";
  for (const uint16_t w :
       {uint16_t(w2044 | 0x231F), uint16_t(w2044 & ~0x231F), uint16_t(w2044 ^ 0x0100)}) {
    ASSERT_TRUE(image.SetWordBytes(2044, w & 0xFF, w >> 8, true));
    EXPECT_EQ(image.ProgramChecksum(), checksum) << std::hex << w;
  }
  ASSERT_TRUE(image.SetWordBytes(2044, (w2044 ^ 0x0020) & 0xFF, (w2044 ^ 0x0020) >> 8, true));
  EXPECT_NE(image.ProgramChecksum(), checksum) << "bit 0x0020 is not forced";
  ASSERT_TRUE(image.SetWordBytes(2044, w2044 & 0xFF, w2044 >> 8, true));
  ASSERT_TRUE(image.SetByte(0, (image.Word(0).value() + 1) & 0xFF, true));
  EXPECT_NE(image.ProgramChecksum(), checksum) << "word 0 is covered";

  ASSERT_TRUE(image.RefreshChecksum());
  EXPECT_EQ(image.Word(2047), image.ProgramChecksum());
  EXPECT_EQ(RecordSum(image, 2047), 0u);
  EXPECT_EQ(image.Word(2046), 0xFFFF) << "the checksum word is the only one written";
}

TEST_F(HexPatch, ShortImagesAreRefusedUntouched) {
  const auto refused = [this](std::size_t length, unsigned offset, HexPatchStatus expected) {
    TkHexImage shortImage;
    LoadBytes(shortImage, Bytes(base.begin(), base.begin() + static_cast<long>(length)));
    const HexPatchResult r = PatchThresholds(shortImage, offset, kGoldenThresholds);
    EXPECT_EQ(r.status, expected) << length << " " << offset;
    EXPECT_EQ(Bytes(shortImage.Text().begin(), shortImage.Text().end()),
              Bytes(base.begin(), base.begin() + static_cast<long>(length)));
    EXPECT_FALSE(HexPatchMessage(r, offset).empty());
  };
  refused(20 * kHexLineLength, 0x10, HexPatchStatus::kOffsetBeyondImage);
  refused(0x10E * kHexLineLength, 0xFF, HexPatchStatus::kOffsetBeyondImage);
  refused(0x10F * kHexLineLength, 0xFF, HexPatchStatus::kNoChecksumWord);
  refused(2048 * kHexLineLength - 1, 0x10, HexPatchStatus::kNoChecksumWord);
  EXPECT_EQ(HexPatchMessage({HexPatchStatus::kOffsetBeyondImage}, 0xFF),
            "Threshold offset FF lies beyond the end of the hex file; nothing was patched.");

  TkHexImage exact;
  LoadBytes(exact, Bytes(base.begin(), base.begin() + 2048 * kHexLineLength));
  EXPECT_EQ(PatchThresholds(exact, 0x10, kGoldenThresholds).status, HexPatchStatus::kPatched)
      << "the EOF record is not needed";
}

TEST_F(HexPatch, LinesOfAnotherShapeAreRefusedUntouched) {
  const auto refusedAt = [](const Bytes& bytes, std::size_t line) {
    TkHexImage other;
    LoadBytes(other, bytes);
    const HexPatchResult r = PatchThresholds(other, 0x10, kGoldenThresholds);
    EXPECT_EQ(r.status, HexPatchStatus::kNotWordRecord);
    EXPECT_EQ(r.line, line);
    EXPECT_EQ(Bytes(other.Text().begin(), other.Text().end()), bytes);
    return HexPatchMessage(r, 0x10);
  };
  // The same records with LF line ends: every line is shifted.
  Bytes lf;
  for (const uint8_t b : base) {
    if (b != '\r') {
      lf.push_back(b);
    }
  }
  const Bytes once = lf;
  lf.insert(lf.end(), once.begin(), once.end());  // long enough to reach word 2047
  refusedAt(lf, 0);

  Bytes wide = base;
  wide[100 * kHexLineLength + 2] = '3';  // byte count 03
  EXPECT_EQ(refusedAt(wide, 100),
            "Line 101 of the hex file is not a one-word record; nothing was patched.");
  Bytes garbage = base;
  garbage[2044 * kHexLineLength + 10] = 'G';
  refusedAt(garbage, 2044);

  Bytes lower = base;
  lower[16 * kHexLineLength + 11] = 'a';
  lower[16 * kHexLineLength + 12] = 'b';
  TkHexImage image2;
  LoadBytes(image2, lower);
  EXPECT_EQ(PatchThresholds(image2, 0x10, kGoldenThresholds).status, HexPatchStatus::kPatched)
      << "lower-case digits are hexadecimal too";
  EXPECT_EQ(image2.Word(16), 0xAB00 | kGoldenThresholds[0]);
}

TEST(HexThresholds, LowByteOfThresholdPlusDelta) {
  GlobalSettings settings;
  settings.channel[1].threshold = 250;
  settings.channel[1].thresholdDelta = 50;
  settings.channel[2].threshold = 0;
  settings.channel[2].thresholdDelta = -1;
  settings.channel[15].threshold = 255;
  const ThresholdBytes bytes = ThresholdBytesOf(settings);
  EXPECT_EQ(bytes[0], 40) << "default";
  EXPECT_EQ(bytes[1], 0x2C);
  EXPECT_EQ(bytes[2], 0xFF);
  EXPECT_EQ(bytes[15], 255);
}

TEST_F(HexPatch, SaveWritesTheLoadedTextAndKeepsAFileItCannotReplace) {
  ASSERT_TRUE(SaveHexImage(image, Temp("out.hex")));
  EXPECT_EQ(test::ReadAll(Temp("out.hex")), base);

  fs::create_directories(Temp("dir.hex"));
  EXPECT_FALSE(SaveHexImage(image, Temp("dir.hex")));
  EXPECT_TRUE(fs::is_directory(Temp("dir.hex")));
  EXPECT_FALSE(SaveHexImage(image, Temp("no-such-folder/out.hex")));
}

}  // namespace
}  // namespace padscope
