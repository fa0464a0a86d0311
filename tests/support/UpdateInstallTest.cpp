#include "support/UpdateInstall.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "common/Files.h"
#include "platform/ProgramFolders.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;

std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

class InstallUpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    target = StateDirectory() / "install";
    outside = StateDirectory() / "outside";
    fs::create_directories(target / "lib");
    fs::create_directories(outside);
    std::ofstream(target / "padscope") << "old program";
    std::ofstream(target / "lib" / "old.so") << "old lib";
    std::ofstream(target / "~tmp.tmp") << "settings";
    std::ofstream(outside / "private.txt") << "someone's file";
  }

  // A package that replaces two files and adds two, one in a new folder.
  const std::vector<PackageEntry> update{{"padscope", kPackageExecutable, Bytes("new program")},
                                         {"new.txt", 0, Bytes("n")},
                                         {"lib/old.so", 0, Bytes("new lib")},
                                         {"share/texts/Padscope.xml", 0, Bytes("<text/>")}};
  const Tree updated{{"lib", "dir"},
                     {"lib/old.so", "new lib"},
                     {"new.txt", "n"},
                     {"padscope", "new program"},
                     {"share", "dir"},
                     {"share/texts", "dir"},
                     {"share/texts/Padscope.xml", "<text/>"},
                     {"~tmp.tmp", "settings"}};
  fs::path target, outside;
};

TEST_F(InstallUpdateTest, ReplacesNamedFilesAddsNewOnesAndLeavesTheRest) {
  std::string error;
  std::vector<std::string> steps;
  ASSERT_TRUE(InstallUpdate(update, target, error, [&](const std::string& s) {
    steps.push_back(s);
  })) << error;
  EXPECT_EQ(test::Tree(target), updated) << "nothing of the installer is left behind";
  EXPECT_NE(fs::status(target / "padscope").permissions() & fs::perms::owner_exec, fs::perms::none);
  EXPECT_FALSE(steps.empty());
  EXPECT_EQ(RecoverInterruptedInstall(target, error), RecoveryResult::kNothingToDo);
}

// What would make the installer write elsewhere, or lose what the package does
// not name, refuses the whole package before anything changes.
TEST_F(InstallUpdateTest, PackagesThatWouldLeaveTheFolderOrReplaceAFolderChangeNothing) {
  fs::create_symlink(outside, target / "linked");
  fs::create_directories(target / "plugins" / "keep");
  std::ofstream(target / "plugins" / "keep" / "mine.so") << "not in the package";
  fs::create_symlink(outside / "private.txt", target / "link.txt");
  ASSERT_EQ(::mkfifo((target / "fifo").c_str(), 0600), 0);
  const Tree before = test::Tree(target);
  const Tree outsideBefore = test::Tree(outside);

  const std::vector<std::pair<const char*, PackageEntry>> cases = {
      {"through a linked folder", {"linked/private.txt", 0, Bytes("x")}},
      {"below a linked folder", {"linked/sub/new.txt", 0, Bytes("x")}},
      {"naming a folder", {"plugins", 0, Bytes("x")}},
      {"naming a link", {"link.txt", 0, Bytes("x")}},
      {"naming a fifo", {"fifo", 0, Bytes("x")}},
      {"through a file", {"lib/old.so/inner", 0, Bytes("x")}},
  };
  for (const auto& [name, entry] : cases) {
    std::string error;
    EXPECT_FALSE(InstallUpdate({update[0], update[1], entry}, target, error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_EQ(test::Tree(target), before) << name;
    EXPECT_EQ(test::Tree(outside), outsideBefore) << name;
  }
}

TEST_F(InstallUpdateTest, AFailedMovePutsEveryFileBack) {
  const Tree before = test::Tree(target);
  std::string error;
  EXPECT_FALSE(InstallUpdate(update, target, error, {}, {.failSwap = 2}));
  EXPECT_NE(error.find("previous files are back"), std::string::npos) << error;
  EXPECT_EQ(test::Tree(target), before);
}

TEST_F(InstallUpdateTest, AnInstallCutShortIsFinishedByTheNextRecovery) {
  std::string error;
  EXPECT_FALSE(InstallUpdate(update, target, error, {}, {.stopAfterSwaps = 2}));
  EXPECT_NE(test::Tree(target), updated);
  EXPECT_FALSE(InstallUpdate(update, target, error)) << "nothing new starts over a half install";
  EXPECT_EQ(RecoverInterruptedInstall(target, error), RecoveryResult::kFinished) << error;
  EXPECT_EQ(test::Tree(target), updated);
}

TEST_F(InstallUpdateTest, AFailedRestoreKeepsTheBackupUntilTheNextRecoveryUndoesTheInstall) {
  const Tree before = test::Tree(target);
  std::string error;
  EXPECT_FALSE(InstallUpdate(update, target, error, {}, {.failSwap = 3, .failRestore = 0}));
  EXPECT_NE(error.find("kept in"), std::string::npos) << error;
  // The old program is still there, in the backup folder the error names.
  bool kept = false;
  for (const auto& [path, contents] : test::Tree(target)) {
    kept = kept || (path.find("backup") != std::string::npos && contents == "old program");
  }
  EXPECT_TRUE(kept);
  EXPECT_EQ(RecoverInterruptedInstall(target, error), RecoveryResult::kUndone) << error;
  EXPECT_EQ(test::Tree(target), before);
}

}  // namespace
}  // namespace padscope
