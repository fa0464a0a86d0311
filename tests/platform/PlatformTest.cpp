#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/MessageLog.h"
#include "platform/ProgramDirectory.h"

namespace padscope {
namespace {

TEST(ProgramDirectory, FollowsPadscopeHome) {
  const std::string home = std::getenv("PADSCOPE_HOME");
  EXPECT_EQ(ProgramDirectory(), std::filesystem::path(home));
  setenv("PADSCOPE_HOME", "", 1);
  const auto exeDir = ProgramDirectory();
  EXPECT_TRUE(std::filesystem::exists(exeDir / "platform_tests")) << exeDir;
  setenv("PADSCOPE_HOME", home.c_str(), 1);
}

TEST(MessageLog, FormatsAndCapsLines) {
  std::vector<std::string> lines;
  AddMessageLog("before any sink %d", 1);  // goes nowhere, must not crash
  SetMessageLogSink([&lines](const std::string& line) { lines.push_back(line); });
  AddMessageLog("CH %d min %d -> %d", 3, 100, 90);
  AddMessageLog("%s", std::string(2000, 'x').c_str());
  AddMessageLog("%s", "100% literal");
  SetMessageLogSink({});
  AddMessageLog("after");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "CH 3 min 100 -> 90");
  EXPECT_EQ(lines[1].size(), 800u);
  EXPECT_EQ(lines[2], "100% literal");
}

}  // namespace
}  // namespace padscope
