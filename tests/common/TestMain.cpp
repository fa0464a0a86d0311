// Test entry point shared by every test program: each test runs with its own
// program directory (PADSCOPE_HOME) so that no two tests share files, and with
// fresh process-wide services (silent prompts, empty text table, default labels).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/Prompt.h"
#include "support/ChannelLabel.h"
#include "support/TextTable.h"

namespace {

class ProgramDirectoryPerTest : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo& info) override {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() /
           ("padscope-test-" + std::string(info.name()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
    setenv("PADSCOPE_HOME", dir_.c_str(), 1);
    // Process-wide services start fresh, whatever the previous test left behind.
    padscope::SetPrompt(nullptr);
    padscope::SetFileChooser(nullptr);
    padscope::TextTable::ResetForTest();
    padscope::ChannelLabel::ResetForTest();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    unsetenv("PADSCOPE_HOME");
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ProgramDirectoryPerTest);
  return RUN_ALL_TESTS();
}
