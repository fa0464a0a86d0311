#include "support/UpdateInstall.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <fstream>
#include <regex>
#include <set>

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
    Reset();
    fs::create_directories(outside);
    std::ofstream(outside / "private.txt") << "someone's file";
  }

  // The installation as it was before any update.
  void Reset() {
    fs::remove_all(target);
    fs::create_directories(target / "lib");
    std::ofstream(target / "padscope") << "old program";
    std::ofstream(target / "lib" / "old.so") << "old lib";
    std::ofstream(target / "~tmp.tmp") << "settings";
  }

  // The whole old installation or the whole new one, and nothing else.
  bool OldOrNew(const std::string& context) {
    const Tree now = test::Tree(target);
    const bool isNew = now == updated && (fs::status(target / "padscope").permissions() &
                                          fs::perms::owner_exec) != fs::perms::none;
    EXPECT_TRUE(now == before || isNew) << context;
    return isNew;
  }

  // The tree without the installer's leftovers, which the next start clears away.
  static Tree Visible(Tree tree) {
    std::erase_if(tree,
                  [](const auto& entry) { return entry.first.rfind(kReservedUpdateName, 0) == 0; });
    return tree;
  }

  // The tree with the installer's random folder and draft names made alike.
  static Tree WithoutRandomNames(const Tree& tree) {
    static const std::regex random("(staging-|backup-)[0-9]+|journal\\.[0-9a-f]{16}\\.new");
    Tree alike;
    for (const auto& [path, contents] : tree) {
      alike[std::regex_replace(path, random, "$1")] = std::regex_replace(contents, random, "$1");
    }
    return alike;
  }

  // How many file-system calls a run makes with nothing going wrong.
  int CleanInstallCalls() {
    int calls = 0;
    std::string error;
    EXPECT_TRUE(InstallUpdate(update, target, error, {}, {.calls = &calls})) << error;
    Reset();
    return calls;
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
  const Tree before{{"lib", "dir"},
                    {"lib/old.so", "old lib"},
                    {"padscope", "old program"},
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

// A status check without a clear answer (EIO, EACCES) is never taken for
// "missing" or "not a file": wherever one fails, the install ends old or new,
// and says which.
TEST_F(InstallUpdateTest, AnyFailedStatusCheckEndsOldOrNewAsReported) {
  const int calls = CleanInstallCalls();
  for (int k = 0; k < calls; ++k) {
    std::string error;
    const bool installed =
        InstallUpdate(update, target, error, {}, {.failStatus = k, .unsynced = true});
    // What the next start of the program finds (and clears away).
    RecoverInterruptedInstall(target, error);
    EXPECT_EQ(OldOrNew("status check " + std::to_string(k)), installed) << k << ": " << error;
    Reset();
  }
}

// A failed move and then a failed status check on the way back: no old file
// is lost, "back" is said only when they are, and the next recovery undoes it.
TEST_F(InstallUpdateTest, AFailedStatusCheckWhileUndoingKeepsEveryOldFile) {
  const int calls = CleanInstallCalls();
  for (int k = 0; k < calls; ++k) {
    std::string error;
    EXPECT_FALSE(InstallUpdate(update, target, error, {},
                               {.failSwap = 3, .failStatus = k, .unsynced = true}));
    std::map<std::string, int> old;
    for (const auto& [path, contents] : test::Tree(target)) {
      ++old[contents];
    }
    EXPECT_EQ(old["old program"], 1) << k;
    EXPECT_EQ(old["old lib"], 1) << k;
    if (error.find("previous files are back") != std::string::npos) {
      EXPECT_EQ(Visible(test::Tree(target)), before) << k << ": " << error;
    }
    RecoverInterruptedInstall(target, error);
    EXPECT_EQ(test::Tree(target), before) << k << ": " << error;
    Reset();
  }
}

// The process killed before any one file-system call of an install, and then
// of each recovery that follows, until one runs to its end: always the whole
// old or the whole new installation, nothing of the installer's left over.
// Kill points that leave the same files behind are recovered alike, so the
// recoveries are killed for each different state once.
TEST_F(InstallUpdateTest, AKillAtAnyCallOfAnInstallOrItsRecoveryEndsOldOrNew) {
  const int calls = CleanInstallCalls();
  std::set<Tree> states;
  for (int k = 0; k <= calls; ++k) {
    for (int m = 0;; ++m) {
      std::string error;
      InstallUpdate(update, target, error, {}, {.stopAtCall = k, .unsynced = true});
      if (m == 0 && !states.insert(WithoutRandomNames(test::Tree(target))).second) {
        m = INT_MAX;  // this state's recoveries were killed already
      }
      int recoveryCalls = 0;
      RecoverInterruptedInstall(target, error,
                                {.stopAtCall = m, .calls = &recoveryCalls, .unsynced = true});
      const bool killed = m < recoveryCalls;
      if (killed) {
        RecoverInterruptedInstall(target, error, {.unsynced = true});
      }
      OldOrNew("install killed at " + std::to_string(k) + ", recovery at " + std::to_string(m));
      EXPECT_EQ(RecoverInterruptedInstall(target, error), RecoveryResult::kNothingToDo);
      Reset();
      if (!killed) {
        break;
      }
    }
  }
  EXPECT_GT(states.size(), 10u);
}

}  // namespace
}  // namespace padscope
