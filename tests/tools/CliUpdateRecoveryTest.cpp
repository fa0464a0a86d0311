// padscope-cli finishes an install a crash interrupted before it runs a
// command, as the window does, and never while the updater is at work.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/Files.h"
#include "padscope-cli/UpdateRecovery.h"
#include "platform/FileLock.h"
#include "platform/LockDirectory.h"
#include "platform/ProgramFolders.h"
#include "support/UpdateInstall.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;

TEST(CliUpdateRecovery, AnInterruptedInstallIsFinishedFirstUnlessTheUpdaterRuns) {
  const fs::path folder = StateDirectory() / "install";
  fs::create_directories(folder);
  const auto interrupt = [&] {
    std::ofstream(folder / "padscope-cli") << "old cli";
    std::ofstream(folder / "padscope") << "old program";
    std::string error;
    EXPECT_FALSE(
        InstallUpdate({{"padscope", 0, {'n', 'e', 'w'}}, {"padscope-cli", 0, {'n', 'e', 'w'}}},
                      folder, error, {}, {.stopAfterSwaps = 1}));
  };
  interrupt();
  {
    const FileLock updater(LockDirectory() / kInstanceLockName, std::chrono::milliseconds(0));
    ASSERT_TRUE(updater.Held());
    std::ostringstream err;
    EXPECT_FALSE(FinishInterruptedUpdate(folder, err, std::chrono::milliseconds(0)));
    EXPECT_NE(err.str().find("unfinished"), std::string::npos) << err.str();
  }
  std::ostringstream err;
  EXPECT_TRUE(FinishInterruptedUpdate(folder, err));
  EXPECT_NE(err.str().find("was completed"), std::string::npos) << err.str();
  EXPECT_EQ(test::Tree(folder),
            (std::map<std::string, std::string>{{"padscope", "new"}, {"padscope-cli", "new"}}));
}

}  // namespace
}  // namespace padscope
