#include "support/UpdatePackage.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/UpdateTestKeys.h"
#include "platform/ProgramFolders.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

PackageEntry AppCheck(uint32_t version, const std::string& platform = std::string(UpdatePlatform()),
                      const std::string& product = "Padscope") {
  return {"appCheck", 0,
          Bytes("Current Version = " + std::to_string(version) + "\r\nProduct = " + product +
                "\r\nPlatform = " + platform + "\r\n")};
}

UpdatePackage Package(uint32_t version, std::vector<PackageEntry> entries) {
  entries.push_back(AppCheck(version));
  return {version, std::move(entries)};
}

TEST(UpdatePackage, RoundTripsSignedEntriesAndHasTheDocumentedLayout) {
  const UpdatePackage package = Package(7, {{"padscope", kPackageExecutable, Bytes("ELF")}});
  const std::vector<uint8_t> image = PackUpdate(package, test::TestSecretKey());
  // Magic, format 2, version 7, two entries, then the first path's length.
  const std::vector<uint8_t> head(image.begin(), image.begin() + 22);
  EXPECT_EQ(head, (std::vector<uint8_t>{'P', 'S', 'U', 'P', 'D', 'A', 'T', 'E', 0, 0, 0,
                                        2,   0,   0,   0,   7,   0,   0,   0,   2, 0, 8}));
  const size_t appCheck = AppCheck(7).contents.size();
  EXPECT_EQ(image.size(), 20u + (2 + 8 + 4 + 8 + 3) + (2 + 8 + 4 + 8 + appCheck) + 64u);

  UpdatePackage read;
  std::string error;
  ASSERT_TRUE(UnpackUpdate(image, test::TestPublicKey(), read, error)) << error;
  EXPECT_EQ(read.version, 7u);
  ASSERT_EQ(read.entries.size(), 2u);
  EXPECT_EQ(read.entries[0].path, "padscope");
  EXPECT_EQ(read.entries[0].flags, kPackageExecutable);
  EXPECT_EQ(read.entries[0].contents, Bytes("ELF"));
  EXPECT_EQ(read.entries[1].path, "appCheck");
  EXPECT_EQ(read.product, "Padscope");
  EXPECT_EQ(read.platform, UpdatePlatform());
}

// Whatever was done to a signed image, it is refused whole.
TEST(UpdatePackage, ImagesNotSignedWithTheKeyAsTheyAreAreRefused) {
  const UpdatePackage package = Package(7, {{"lib/a", 0, Bytes("hello")}});
  const std::vector<uint8_t> good = PackUpdate(package, test::TestSecretKey());
  UpdatePublicKey otherPublic{};
  UpdateSecretKey otherSecret{};
  ASSERT_TRUE(MakeUpdateKeyPair(otherPublic, otherSecret));

  const auto flipped = [&](size_t at) {
    std::vector<uint8_t> image = good;
    image[at] ^= 0x01;
    return image;
  };
  std::vector<uint8_t> unsignedV1 = UpdatePackageBody(package);
  unsignedV1[11] = 1;  // the old format, which carried a checksum only
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  const size_t contents = 20 + 2 + 5 + 4 + 8;
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
      {"unsigned body", UpdatePackageBody(package)},
      {"old unsigned format", unsignedV1},
      {"other key", PackUpdate(package, otherSecret)},
      {"header byte", flipped(15)},
      {"name byte", flipped(22)},
      {"content byte", flipped(contents)},
      {"signature byte", flipped(good.size() - 1)},
      {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 1)},
      {"longer", longer},
      {"empty", {}},
      {"web page", Bytes("<html>404</html> and then some more text to fill it")},
  };
  for (const auto& [name, image] : cases) {
    UpdatePackage read = package;
    std::string error;
    EXPECT_FALSE(UnpackUpdate(image, test::TestPublicKey(), read, error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_TRUE(read.entries.empty()) << name;
  }
}

// Signed, but breaking a rule of the format: refused all the same.
TEST(UpdatePackage, SignedPackagesThatBreakTheFormatRulesAreRefused) {
  const std::vector<std::pair<const char*, UpdatePackage>> cases = {
      {"repeated path", Package(3, {{"a", 0, {}}, {"a", 0, {}}})},
      {"file and folder", Package(3, {{"lib", 0, {}}, {"lib/x", 0, {}}})},
      {"installer's name", Package(3, {{".padscope-update-journal", 0, {}}})},
      {"installer's name in capitals", Package(3, {{".PADSCOPE-UPDATE-journal", 0, {}}})},
      {"paths equal but for case", Package(3, {{"padscope", 0, {}}, {"PADSCOPE", 0, {}}})},
      {"file and folder but for case", Package(3, {{"Lib", 0, {}}, {"lib/x", 0, {}}})},
      {"no platform", {3, {{"appCheck", 0, Bytes("Current Version = 3\nProduct = Padscope\n")}}}},
      {"no appCheck", {3, {{"a", 0, {}}}}},
      {"appCheck of another version", {3, {{"a", 0, {}}, AppCheck(2)}}},
      {"version 0", Package(0, {})},
  };
  for (const auto& [name, package] : cases) {
    UpdatePackage read;
    std::string error;
    EXPECT_FALSE(UnpackUpdate(PackUpdate(package, test::TestSecretKey()), test::TestPublicKey(),
                              read, error))
        << name;
    EXPECT_FALSE(error.empty()) << name;
  }

  // A size field beyond the end never reads past it.
  std::vector<uint8_t> body = UpdatePackageBody(Package(3, {{"a", 0, Bytes("x")}}));
  body[20 + 2 + 1 + 4] = 0x7F;  // top byte of the first entry's 64-bit size
  UpdatePackage read;
  std::string error;
  EXPECT_FALSE(ParseUpdatePackageBody(body, read, error));
  EXPECT_NE(error.find("truncated"), std::string::npos);
}

// Signed and well formed, but not one that may replace this program: refused
// by the check the updater makes before it writes anything.
TEST(UpdatePackage, PackagesForAnotherProductOrPlatformOrWithoutTheProgramDoNotFit) {
  const UpdateTarget target{105, "padscope"};
  const PackageEntry program{"padscope", kPackageExecutable, Bytes("ELF")};
  const std::vector<std::pair<const char*, UpdatePackage>> cases = {
      {"another platform", {106, {program, AppCheck(106, "windows-x86_64")}}},
      {"another product", {106, {program, AppCheck(106, std::string(UpdatePlatform()), "Other")}}},
      {"without the program", Package(106, {{"padscope.exe", 0, Bytes("MZ")}})},
      {"not newer", Package(105, {program})},
  };
  for (const auto& [name, package] : cases) {
    UpdatePackage read;
    std::string error;
    EXPECT_FALSE(UnpackUpdateFor(PackUpdate(package, test::TestSecretKey()), test::TestPublicKey(),
                                 target, read, error))
        << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_TRUE(read.entries.empty()) << name;
  }
  const std::vector<uint8_t> fits = PackUpdate(Package(106, {program}), test::TestSecretKey());
  UpdatePackage read;
  std::string error;
  EXPECT_TRUE(UnpackUpdateFor(fits, test::TestPublicKey(), target, read, error)) << error;
  EXPECT_FALSE(
      UnpackUpdateFor(fits, test::TestPublicKey(), {std::nullopt, "padscope"}, read, error))
      << "an installation of unknown version takes no package";
}

TEST(UpdatePackage, PathsThatLeaveTheFolderOrCannotBeJournalledAreRefused) {
  for (const char* bad : {"", "/etc/passwd", "../x", "a/../../x", "a//b", "./a", "a\\b", "C:x",
                          "a\nb", ".padscope-update-backup-1/x"}) {
    EXPECT_FALSE(IsSafePackagePath(bad)) << bad;
    UpdatePackage read;
    std::string error;
    EXPECT_FALSE(UnpackUpdate(PackUpdate(Package(1, {{bad, 0, Bytes("x")}}), test::TestSecretKey()),
                              test::TestPublicKey(), read, error))
        << bad;
  }
  EXPECT_TRUE(IsSafePackagePath("lib/libx.so.1"));
  EXPECT_TRUE(IsSafePackagePath("share/.padscope-update"));
}

TEST(UpdatePackage, CollectedFolderKeepsPathsAndExecutableFlags) {
  const fs::path build = StateDirectory() / "build";
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
