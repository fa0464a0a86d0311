// Per-user locks and the files written under fixed names: what another user
// could plant never redirects a write and never keeps the user out.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <fstream>

#include "common/Files.h"
#include "common/SharedFolder.h"
#include "platform/FileLock.h"
#include "platform/LockDirectory.h"
#include "platform/ProgramFolders.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

fs::perms Mode(const fs::path& path) {
  return fs::symlink_status(path).permissions() & fs::perms::all;
}

TEST(FileLock, ExcludesOthersIsPrivateAndIsFreeAgainWhenItsHolderDies) {
  const fs::path file = StateDirectory() / "x.lock";
  {
    const FileLock lock(file, milliseconds(0));
    ASSERT_TRUE(lock.Held());
    EXPECT_EQ(Mode(file), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FileLock(file, milliseconds(0)).state(), FileLock::State::kBusy);
    EXPECT_EQ(FileLock(file, milliseconds(20)).state(), FileLock::State::kBusy);
  }
  EXPECT_TRUE(FileLock(file, milliseconds(0)).Held());
  EXPECT_EQ(FileLock(StateDirectory() / "no-such-folder" / "x.lock", milliseconds(0)).state(),
            FileLock::State::kUnavailable);

  // A holder killed without a chance to clean up leaves its lock behind.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const FileLock lock(file, milliseconds(0));
    const char held = lock.Held() ? 'y' : 'n';
    (void)::write(ready[1], &held, 1);
    ::pause();
    ::_exit(0);
  }
  char held = 0;
  ASSERT_EQ(::read(ready[0], &held, 1), 1);
  ASSERT_EQ(held, 'y');
  EXPECT_EQ(FileLock(file, milliseconds(0)).state(), FileLock::State::kBusy);
  ::kill(child, SIGKILL);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  EXPECT_TRUE(FileLock(file, milliseconds(0)).Held());
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(FileLock, NeverUsesALinkOrAnotherUsersFile) {
  const fs::path shared = test::MakeSharedFolder(StateDirectory() / "shared");
  const fs::path victim = StateDirectory() / "victim.txt";
  std::ofstream(victim) << "private";
  fs::permissions(victim, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(victim, shared / "link.lock");
  EXPECT_EQ(FileLock(shared / "link.lock", milliseconds(0)).state(), FileLock::State::kUnavailable);
  EXPECT_EQ(test::ReadAll(victim), test::Bytes({'p', 'r', 'i', 'v', 'a', 't', 'e'}));
  EXPECT_EQ(Mode(victim), fs::perms::owner_read | fs::perms::owner_write);
  if (!test::CanPlantForeignFiles()) {
    GTEST_SKIP() << test::kNeedsRoot;
  }
  test::PlantForeignFile(shared / "foreign.lock", "");
  EXPECT_EQ(FileLock(shared / "foreign.lock", milliseconds(0)).state(),
            FileLock::State::kUnavailable);
}

TEST(LockDirectory, IsTheRuntimeFolderOnlyWhenItIsPrivate) {
  EXPECT_EQ(LockDirectory(), StateDirectory());
  const fs::path runtime = StateDirectory() / "run";
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  SetRuntimeDirectory(runtime);
  EXPECT_EQ(LockDirectory(), runtime);

  fs::create_directory_symlink(runtime, StateDirectory() / "run-link");
  SetRuntimeDirectory(StateDirectory() / "run-link");
  EXPECT_EQ(LockDirectory(), StateDirectory());
  fs::permissions(runtime, fs::perms::others_exec, fs::perm_options::add);
  SetRuntimeDirectory(runtime);
  EXPECT_EQ(LockDirectory(), StateDirectory());
  SetRuntimeDirectory("relative/run");
  EXPECT_EQ(LockDirectory(), StateDirectory());
  if (test::CanPlantForeignFiles()) {
    fs::permissions(runtime, fs::perms::owner_all);
    ASSERT_EQ(::chown(runtime.c_str(), test::kNobody, test::kNobody), 0);
    SetRuntimeDirectory(runtime);
    EXPECT_EQ(LockDirectory(), StateDirectory());
  }
  SetRuntimeDirectory({});
}

}  // namespace
}  // namespace padscope
