#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

#include "common/Files.h"
#include "platform/FileBytes.h"
#include "platform/MessageLog.h"
#include "platform/ProgramFolders.h"

namespace padscope {
namespace {

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

// A save writes beside its file under a fresh name: a file that happens to sit
// under the old fixed name "<name>.new" is nobody's to overwrite, and a failed
// save leaves nothing behind.
TEST(ReplaceFileBytes, LeavesOtherFilesAlone) {
  namespace fs = std::filesystem;
  const fs::path dir = StateDirectory();
  const fs::path file = dir / "state.bin";
  test::WriteAll(dir / "state.bin.new", {'o', 't', 'h', 'e', 'r'});
  ASSERT_TRUE(ReplaceFileBytes(file, test::Bytes{1, 2, 3}));
  ASSERT_TRUE(ReplaceFileBytes(file, test::Bytes{4, 5}));
  EXPECT_EQ(test::ReadAll(file), (test::Bytes{4, 5}));
  EXPECT_EQ(test::ReadAll(dir / "state.bin.new"), (test::Bytes{'o', 't', 'h', 'e', 'r'}));

  // The rename fails over a folder that holds something; no temporary file stays.
  fs::create_directories(dir / "taken" / "inside");
  EXPECT_FALSE(ReplaceFileBytes(dir / "taken", test::Bytes{1}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

// What a chart load expects to fill: the bytes after the stream's position
// (not its buffer's), and nothing for a stream that is no regular file.
TEST(BytesLeft, CountsFromThePositionAndNothingForAPipe) {
  const std::filesystem::path file = StateDirectory() / "records.bin";
  test::WriteAll(file, test::Bytes(1000, 7));
  std::FILE* in = std::fopen(file.string().c_str(), "rb");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(BytesLeft(in), 1000u);
  char first[64];
  ASSERT_EQ(std::fread(first, 1, sizeof first, in), sizeof first);
  EXPECT_EQ(BytesLeft(in), 936u);
  std::fclose(in);
#if !defined(_WIN32)
  std::FILE* pipe = popen("echo records", "r");
  ASSERT_NE(pipe, nullptr);
  EXPECT_EQ(BytesLeft(pipe), 0u);
  pclose(pipe);
#endif
}

#if !defined(_WIN32)
// Charts and state files are opened without a check before the open: what is
// opened is checked. A FIFO swapped in under the name (no writer will come)
// is refused at once rather than waited on for ever.
TEST(OpenRegularFile, RefusesAFifoAtOnceAndGivesAFilesSize) {
  const std::filesystem::path dir = StateDirectory();
  ASSERT_EQ(::mkfifo((dir / "swapped.tkchart").c_str(), 0600), 0);
  uintmax_t size = 1;
  EXPECT_EQ(OpenRegularFile(dir / "swapped.tkchart", size), nullptr);
  EXPECT_EQ(size, 0u);
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(ReadFileBytes(dir / "swapped.tkchart", 100, bytes));

  test::WriteAll(dir / "chart.tkchart", test::Bytes(640, 1));
  std::FILE* in = OpenRegularFile(dir / "chart.tkchart", size);
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(size, 640u);
  std::fclose(in);
}
#endif

}  // namespace
}  // namespace padscope
