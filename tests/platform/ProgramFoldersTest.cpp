// Which folder the program reads its resources from and which it keeps its
// state in: a build tree or portable folder, an installation under a prefix
// (moved or not), PADSCOPE_HOME, and the user's data folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/LockDirectory.h"
#include "platform/ProgramFolders.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;

class ProgramFoldersTest : public testing::Test {
 protected:
  // A program at `exe`, optionally with the text table beside it, in a folder
  // that can or cannot be written.
  FolderInputs Program(const fs::path& exe, bool textsBeside, bool writable = true) {
    fs::create_directories(exe.parent_path());
    if (textsBeside) {
      std::ofstream(exe.parent_path() / kTextTableFile) << "<text/>";
    }
    FolderInputs in;
    in.executable = exe;
    in.userData = data;
    in.writable = [writable](const fs::path&) { return writable; };
    return in;
  }
  // An installation prefix: the program in bin, the resources in share/padscope.
  FolderInputs Installed(const fs::path& prefix) {
    fs::create_directories(prefix / "share" / "padscope");
    std::ofstream(prefix / "share" / "padscope" / kTextTableFile) << "<text/>";
    return Program(prefix / "bin" / "padscope", false);
  }

  const fs::path root = StateDirectory();
  const fs::path data = root / "home" / ".local" / "share";
};

TEST_F(ProgramFoldersTest, BuildTreeOrPortableFolderKeepsEverythingBesideTheProgram) {
  // A build tree: the program and its text table in the build folder, which
  // happens to be called "bin" beside a "share/padscope" of something else.
  fs::create_directories(root / "tree" / "share" / "padscope");
  for (const fs::path& exe : {root / "portable" / "padscope", root / "tree" / "bin" / "padscope"}) {
    const ProgramFolders f = ResolveProgramFolders(Program(exe, true));
    EXPECT_EQ(f.resources, exe.parent_path());
    EXPECT_EQ(f.state, exe.parent_path());
    EXPECT_FALSE(f.installed);
  }
}

TEST_F(ProgramFoldersTest, PortableFolderThatCannotBeWrittenKeepsStateWithTheUser) {
  const fs::path exe = root / "cdrom" / "padscope";
  const ProgramFolders f = ResolveProgramFolders(Program(exe, true, false));
  EXPECT_EQ(f.resources, exe.parent_path());
  EXPECT_EQ(f.state, data / "padscope");
  EXPECT_FALSE(f.installed);
}

// Even where the prefix can be written (root, a prefix in the home folder),
// nothing is written beside an installed program.
TEST_F(ProgramFoldersTest, InstalledProgramReadsFromTheSharedFolderOfItsPrefix) {
  for (const fs::path& prefix : {root / "usr", root / "moved" / "elsewhere"}) {
    const ProgramFolders f = ResolveProgramFolders(Installed(prefix));
    EXPECT_EQ(f.resources, prefix / "share" / "padscope");
    EXPECT_EQ(f.state, data / "padscope");
    EXPECT_TRUE(f.installed);
  }
}

TEST_F(ProgramFoldersTest, PadscopeHomeNamesOnlyTheStateFolder) {
  FolderInputs portable = Program(root / "portable" / "padscope", true);
  FolderInputs installed = Installed(root / "usr");
  portable.stateOverride = installed.stateOverride = (root / "elsewhere").string();
  EXPECT_EQ(ResolveProgramFolders(portable).resources, root / "portable");
  EXPECT_EQ(ResolveProgramFolders(portable).state, root / "elsewhere");
  EXPECT_EQ(ResolveProgramFolders(installed).resources, root / "usr" / "share" / "padscope");
  EXPECT_EQ(ResolveProgramFolders(installed).state, root / "elsewhere");
}

// The process's own folders: the program it works for, the data folder the
// window system names, and the state folder created private on first use;
// the per-user locks fall back to that state folder.
TEST_F(ProgramFoldersTest, CurrentFoldersFollowTheProgramAndTheUsersDataFolder) {
  const std::string home = std::getenv("PADSCOPE_HOME");
  Installed(root / "usr");
  unsetenv("PADSCOPE_HOME");
  SetProgramExecutable(root / "usr" / "bin" / "padscope");
  SetUserDataDirectory(data);
  EXPECT_EQ(ResourceDirectory(), root / "usr" / "share" / "padscope");
  EXPECT_EQ(StateDirectory(), data / "padscope");
  EXPECT_EQ(LockDirectory(), data / "padscope");
  EXPECT_TRUE(EnsureStateDirectory());
  struct stat st {};
  ASSERT_EQ(::stat((data / "padscope").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  SetUserDataDirectory({});
  setenv("PADSCOPE_HOME", home.c_str(), 1);
}

TEST(UserDataDirectory, FollowsXdgDataHomeWhenAbsolute) {
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string before = saved != nullptr ? saved : "";
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  setenv("HOME", "/home/user", 1);
  setenv("XDG_DATA_HOME", "/data/user", 1);
  EXPECT_EQ(DefaultUserDataDirectory(), fs::path("/data/user"));
  setenv("XDG_DATA_HOME", "relative/data", 1);
  EXPECT_EQ(DefaultUserDataDirectory(), fs::path("/home/user/.local/share"));
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(DefaultUserDataDirectory(), fs::path("/home/user/.local/share"));
  setenv("HOME", home.c_str(), 1);
  if (saved != nullptr) {
    setenv("XDG_DATA_HOME", before.c_str(), 1);
  }
}

}  // namespace
}  // namespace padscope
