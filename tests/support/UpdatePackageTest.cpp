#include "support/UpdatePackage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/ProgramDirectory.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Crc32, MatchesTheStandardCheckValue) {
  EXPECT_EQ(Crc32(Bytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(Crc32({}), 0u);
}

TEST(UpdatePackage, RoundTripsEntriesAndHasTheDocumentedLayout) {
  const std::vector<PackageEntry> entries{{"padscope", kPackageExecutable, Bytes("ELF")},
                                          {"docs/readme.txt", 0, Bytes("")}};
  const std::vector<uint8_t> image = PackUpdate(entries);
  // Magic, version 1, two entries, then the first path's length.
  const std::vector<uint8_t> head(image.begin(), image.begin() + 18);
  EXPECT_EQ(head, (std::vector<uint8_t>{'P', 'S', 'U', 'P', 'D', 'A', 'T', 'E', 0, 0, 0, 1, 0, 0, 0,
                                        2, 0, 8}));
  EXPECT_EQ(image.size(), 16u + (2 + 8 + 4 + 8 + 3) + (2 + 15 + 4 + 8 + 0) + 4u);

  std::vector<PackageEntry> read;
  std::string error;
  ASSERT_TRUE(UnpackUpdate(image, read, error)) << error;
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].path, "padscope");
  EXPECT_EQ(read[0].flags, kPackageExecutable);
  EXPECT_EQ(read[0].contents, Bytes("ELF"));
  EXPECT_EQ(read[1].path, "docs/readme.txt");
}

TEST(UpdatePackage, DamagedTruncatedOrForeignImagesAreRefused) {
  const std::vector<uint8_t> good = PackUpdate({{"a", 0, Bytes("hello")}});
  std::vector<PackageEntry> read;
  std::string error;

  std::vector<uint8_t> flipped = good;
  flipped[flipped.size() - 6] ^= 1;
  EXPECT_FALSE(UnpackUpdate(flipped, read, error));
  EXPECT_NE(error.find("checksum"), std::string::npos);

  for (size_t cut : {size_t{0}, size_t{10}, good.size() - 1}) {
    EXPECT_FALSE(UnpackUpdate(std::span(good).first(cut), read, error)) << cut;
    EXPECT_TRUE(read.empty());
  }
  EXPECT_FALSE(UnpackUpdate(Bytes("<html>404</html> and then some more text"), read, error));

  // A size field larger than the image, with a valid checksum, does not read past it.
  std::vector<uint8_t> huge = PackUpdate({{"a", 0, Bytes("x")}});
  huge.resize(huge.size() - 4);
  huge[16 + 2 + 1 + 4] = 0x7F;  // top byte of the 64-bit size
  const uint32_t crc = Crc32(huge);
  for (int i = 3; i >= 0; --i) {
    huge.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  }
  EXPECT_FALSE(UnpackUpdate(huge, read, error));
  EXPECT_NE(error.find("truncated"), std::string::npos);
}

TEST(UpdatePackage, PathsThatLeaveTheFolderAreRefused) {
  for (const char* bad : {"", "/etc/passwd", "../x", "a/../../x", "a//b", "./a", "a\\b", "C:x"}) {
    EXPECT_FALSE(IsSafePackagePath(bad)) << bad;
    std::vector<PackageEntry> read;
    std::string error;
    EXPECT_FALSE(UnpackUpdate(PackUpdate({{bad, 0, Bytes("x")}}), read, error)) << bad;
  }
  EXPECT_TRUE(IsSafePackagePath("lib/libx.so.1"));
  std::vector<PackageEntry> read;
  std::string error;
  EXPECT_FALSE(UnpackUpdate(PackUpdate({{"a", 0, {}}, {"a", 0, {}}}), read, error));
}

class InstallUpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    target = ProgramDirectory() / "install";
    fs::create_directories(target / "lib");
    std::ofstream(target / "padscope") << "old program";
    std::ofstream(target / "lib" / "old.so") << "old lib";
    std::ofstream(target / "~tmp.tmp") << "settings";
  }
  // Nothing but the installation's own files is left in the folder.
  std::vector<std::string> Listing() {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(target)) {
      names.push_back(fs::relative(e.path(), target).generic_string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path target;
};

TEST_F(InstallUpdateTest, ReplacesNamedFilesAddsNewOnesAndLeavesTheRest) {
  std::string error;
  std::vector<std::string> steps;
  ASSERT_TRUE(InstallUpdate({{"padscope", kPackageExecutable, Bytes("new program")},
                             {"share/Padscope.xml", 0, Bytes("<text/>")}},
                            target, error, [&](const std::string& s) { steps.push_back(s); }))
      << error;
  EXPECT_EQ(ReadText(target / "padscope"), "new program");
  EXPECT_NE(fs::status(target / "padscope").permissions() & fs::perms::owner_exec, fs::perms::none);
  EXPECT_EQ(ReadText(target / "share" / "Padscope.xml"), "<text/>");
  EXPECT_EQ(ReadText(target / "~tmp.tmp"), "settings");
  EXPECT_EQ(Listing(), (std::vector<std::string>{"lib", "lib/old.so", "padscope", "share",
                                                 "share/Padscope.xml", "~tmp.tmp"}));
  EXPECT_FALSE(steps.empty());
}

TEST_F(InstallUpdateTest, AFailedSwapPutsEveryFileBack) {
  // "lib/old.so/inner" needs "lib/old.so" to be a folder: that swap fails after
  // "padscope" and "new.txt" were already swapped.
  const auto before = Listing();
  std::string error;
  EXPECT_FALSE(InstallUpdate({{"padscope", 0, Bytes("new program")},
                              {"new.txt", 0, Bytes("n")},
                              {"lib/old.so/inner", 0, Bytes("x")}},
                             target, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadText(target / "padscope"), "old program");
  EXPECT_EQ(ReadText(target / "lib" / "old.so"), "old lib");
  EXPECT_EQ(Listing(), before);
}

TEST_F(InstallUpdateTest, CollectedFolderInstallsAsItWas) {
  const fs::path build = ProgramDirectory() / "build";
  fs::create_directories(build / "sub");
  std::ofstream(build / "padscope") << "v2";
  std::ofstream(build / "sub" / "data.bin") << "d";
  fs::permissions(build / "padscope", fs::perms::owner_exec, fs::perm_options::add);
  std::vector<PackageEntry> entries;
  std::string error;
  ASSERT_TRUE(CollectPackageEntries(build, entries, error)) << error;
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].path, "padscope");
  EXPECT_EQ(entries[0].flags, kPackageExecutable);
  EXPECT_EQ(entries[1].path, "sub/data.bin");
  EXPECT_EQ(entries[1].flags, 0u);
}

}  // namespace
}  // namespace padscope
