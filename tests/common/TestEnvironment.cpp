#include "common/TestEnvironment.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/ProgramFolders.h"
#include "platform/Prompt.h"
#include "support/ChannelLabel.h"
#include "support/TextTable.h"

namespace padscope::test {

namespace {

constexpr char kRefusedUpdateSource[] = "http://127.0.0.1:9/AppUpdate/USB/Padscope/Padscope";

class ProgramFoldersPerTest : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo& info) override {
    std::random_device rd;
    // A parameterized test's name holds a '/': one folder, not a fixed-name
    // parent in the temporary folder that outlives the test.
    std::string name = info.name();
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = std::filesystem::temp_directory_path() /
           ("padscope-test-" + name + "-" + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
    // One folder for what the program reads and writes, as in a portable
    // folder: the state folder, and the resource folder of a program there.
    setenv("PADSCOPE_HOME", dir_.c_str(), 1);
    SetProgramExecutable(dir_ / "padscope");
    // The user's runtime folder holds the per-user locks of the programs a
    // test starts; each test has its own, private as the real one is, beside
    // the test's folder so that this one holds only what a test puts there.
    runtime_ = dir_;
    runtime_ += "-runtime";
    std::filesystem::create_directories(runtime_);
    std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    // An update check (and a program a test starts) meets a refused port at
    // once instead of a real server.
    setenv("PADSCOPE_UPDATE_URL", kRefusedUpdateSource, 1);
    // Process-wide services start fresh, whatever the previous test left behind.
    SetPrompt(nullptr);
    SetFileChooser(nullptr);
    TextTable::ResetForTest();
    ChannelLabel::ResetForTest();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    std::filesystem::remove_all(runtime_, ec);
    unsetenv("PADSCOPE_HOME");
    SetProgramExecutable({});
    unsetenv("XDG_RUNTIME_DIR");
  }

 private:
  std::filesystem::path dir_;
  std::filesystem::path runtime_;
};

}  // namespace

void InstallTestEnvironment() {
  testing::UnitTest::GetInstance()->listeners().Append(new ProgramFoldersPerTest);
}

}  // namespace padscope::test
