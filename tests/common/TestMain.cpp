// Test entry point shared by every test program: each test runs with its own
// program directory (PADSCOPE_HOME) so that no two tests share files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

class ProgramDirectoryPerTest : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo& info) override {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() /
           ("padscope-test-" + std::string(info.name()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
    setenv("PADSCOPE_HOME", dir_.c_str(), 1);
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
