#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "capture/WriteLog.h"
#include "platform/FileLock.h"
#include "platform/LockDirectory.h"
#include "platform/ProgramFolders.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace padscope {
namespace {

std::vector<std::string> LogLines(const std::filesystem::path& dir = StateDirectory()) {
  std::ifstream in(dir / "log.log", std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// "[dd-dd dd:dd:dd:ddd]" at the start of the line.
bool HasTimeStamp(const std::string& line) {
  const std::string shape = "[00-00 00:00:00:000]";
  if (line.size() < shape.size()) {
    return false;
  }
  for (size_t i = 0; i < shape.size(); ++i) {
    const bool ok = shape[i] == '0' ? (line[i] >= '0' && line[i] <= '9') : line[i] == shape[i];
    if (!ok) {
      return false;
    }
  }
  return true;
}

// A whole line: the time stamp, the tag piece when given, then `text`.
::testing::AssertionResult IsLine(const std::string& line, const std::string& tag,
                                  const std::string& text) {
  const std::string expectedTail = (tag.empty() ? "" : "  [" + tag + "]") + text;
  if (HasTimeStamp(line) && line.size() == 20 + expectedTail.size() &&
      line.compare(20, std::string::npos, expectedTail) == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "line \"" << line << "\"";
}

TEST(WriteLog, FormatsTheLine) {
  std::tm t{};
  t.tm_mon = 2;
  t.tm_mday = 12;
  t.tm_hour = 14;
  t.tm_min = 3;
  t.tm_sec = 7;
  EXPECT_EQ(FormatLogLine(t, 45, "主线程", " 点击开始"),
            "[03-12 14:03:07:045]  [主线程] 点击开始\n");
  t = std::tm{};
  t.tm_mday = 1;
  t.tm_mon = 11;
  t.tm_hour = 23;
  t.tm_min = 59;
  t.tm_sec = 59;
  EXPECT_EQ(FormatLogLine(t, 999, "", "启动日志信息"), "[12-01 23:59:59:999]启动日志信息\n");
  EXPECT_EQ(FormatLogLine(t, 0, "", "100% %s"), "[12-01 23:59:59:000]100% %s\n");
}

TEST(WriteLog, CreatesThenAppendsInTheStateFolder) {
  WriteLog("主线程", " 点击开始");
  WriteLog("", "ResetBuffer,  Capture Data Thread Running");
  WriteLog("数据子线程", " frame %d of %s", 7, "100% %s %n literal");
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(IsLine(lines[0], "主线程", " 点击开始"));
  EXPECT_TRUE(IsLine(lines[1], "", "ResetBuffer,  Capture Data Thread Running"));
  EXPECT_TRUE(IsLine(lines[2], "数据子线程", " frame 7 of 100% %s %n literal"));
}

TEST(WriteLog, FollowsTheStateFolderOfEachCall) {
  const auto first = StateDirectory();
  const auto second = first / "elsewhere";
  std::filesystem::create_directories(second);
  WriteLog("", "one");
  setenv("PADSCOPE_HOME", second.c_str(), 1);
  WriteLog("", "two");
  setenv("PADSCOPE_HOME", (first / "missing").c_str(), 1);
  WriteLog("", "lost");  // cannot be opened: dropped without a fuss
  setenv("PADSCOPE_HOME", first.c_str(), 1);
  WriteLog("", "three");

  const auto a = LogLines(first);
  ASSERT_EQ(a.size(), 2u);
  EXPECT_TRUE(IsLine(a[0], "", "one"));
  EXPECT_TRUE(IsLine(a[1], "", "three"));
  const auto b = LogLines(second);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_TRUE(IsLine(b[0], "", "two"));
  EXPECT_FALSE(std::filesystem::exists(first / "missing"));
}

// Another holder of the log's lock (a hung process of the user) delays a line
// by a moment only; the line is still written. A planted link under the log's
// name is not written through.
TEST(WriteLog, ABusyLockOrALinkedLogNeverHangsOrRedirectsTheWriter) {
  const FileLock held(LockDirectory() / kLogLockName, std::chrono::milliseconds(0));
  ASSERT_TRUE(held.Held());
  const auto start = std::chrono::steady_clock::now();
  WriteLog("", "despite the lock");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_TRUE(IsLine(LogLines()[0], "", "despite the lock"));

  const auto elsewhere = StateDirectory() / "elsewhere";
  std::ofstream(elsewhere) << "not a log\n";
  std::filesystem::remove(StateDirectory() / "log.log");
  std::filesystem::create_symlink(elsewhere, StateDirectory() / "log.log");
  WriteLog("", "lost");
  EXPECT_EQ(LogLines(StateDirectory()), std::vector<std::string>{"not a log"});
}

// Every line whole, and each writer's lines complete and in order.
void ExpectWholeLines(const std::vector<std::string>& lines, const std::vector<std::string>& tags,
                      int perWriter) {
  ASSERT_EQ(lines.size(), tags.size() * perWriter);
  std::vector<int> next(tags.size(), 0);
  for (const std::string& line : lines) {
    bool matched = false;
    for (size_t w = 0; w < tags.size() && !matched; ++w) {
      matched = IsLine(line, tags[w], " line " + std::to_string(next[w]));
      next[w] += matched ? 1 : 0;
    }
    ASSERT_TRUE(matched) << line;
  }
}

TEST(WriteLog, ConcurrentThreadsWriteWholeLines) {
  constexpr int kLines = 200;
  auto writer = [](const char* tag) {
    for (int i = 0; i < kLines; ++i) {
      WriteLog(tag, " line %d", i);
    }
  };
  std::thread a(writer, "thread-a");
  std::thread b(writer, "数据子线程");
  a.join();
  b.join();
  ExpectWholeLines(LogLines(), {"thread-a", "数据子线程"}, kLines);
}

#if !defined(_WIN32)
TEST(WriteLog, ConcurrentProcessesWriteWholeLines) {
  constexpr int kLines = 200;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  const char* tag = child == 0 ? "child" : "parent";
  for (int i = 0; i < kLines; ++i) {
    WriteLog(tag, " line %d", i);
  }
  if (child == 0) {
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ExpectWholeLines(LogLines(), {"parent", "child"}, kLines);
}
#endif

}  // namespace
}  // namespace padscope
