// The text exports, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "capture/CaptureContext.h"
#include "common/Files.h"
#include "common/SharedFolder.h"
#include "files/Exports.h"
#include "platform/ProgramFolders.h"
#include "state/GlobalSettings.h"

namespace padscope {
namespace {

// Runs a writer into a memory stream and returns what it wrote.
template <typename Writer>
std::string Capture(Writer write) {
  char* data = nullptr;
  size_t size = 0;
  std::FILE* f = open_memstream(&data, &size);
  EXPECT_TRUE(write(f));
  std::fclose(f);
  std::string text(data, size);
  std::free(data);
  return text;
}

TEST(Exports, RawFrameTableNewestSlotFirst) {
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(8));
  ctx.FrameForWrite(0)->raw[0] = 0xFF;
  ctx.FrameForWrite(1)->raw[63] = 7;
  ctx.writeIndex = 2;
  const std::string table = Capture([&](std::FILE* f) { return WriteRawFrameTable(f, ctx); });

  std::string header;
  for (int i = 0; i < 64; ++i) {
    header += std::to_string(i) + ",";
  }
  std::string zeros;
  for (int i = 0; i < 64; ++i) {
    zeros += "0,";
  }
  const std::string slot1 = zeros.substr(0, zeros.size() - 2) + "7,";
  const std::string slot0 = "255," + zeros.substr(2);
  EXPECT_EQ(table, header + "\r\n" + zeros + "\r\n" + slot1 + "\r\n" + slot0 + "\r\n");
}

TEST(Exports, MessageLogText) {
  const std::string text = Capture([](std::FILE* f) {
    return WriteMessageLogText(f, {"CH 0 min 1 -> 0", "", "日志"});
  });
  EXPECT_EQ(text, "CH 0 min 1 -> 0\r\n\r\n日志\r\n");
}

TEST(Exports, ThresholdDumpOfShownChannels) {
  GlobalSettings::ResetInstanceForTest();
  GlobalSettings& s = GlobalSettings::Instance();
  for (auto& ch : s.channel) {
    ch.flags = 0;
  }
  s.channel[0].flags = 0x80;
  s.channel[0].threshold = 40;
  s.channel[3].flags = 0x80;
  s.channel[3].threshold = 50;
  s.channel[3].thresholdDelta = 5;
  const std::string text = Capture([&](std::FILE* f) { return WriteThresholdDump(f, s); });
  EXPECT_EQ(text, "CH 0    40\r\nCH 3    55\r\n");
}

// Dump Threshold writes into "data" of the current folder, which may be a
// folder every user can write: what another user planted there under the
// fixed names is never written through, and the victim's files stay as they were.
TEST(Exports, ThresholdDumpNeverWritesThroughWhatOthersPlanted) {
  namespace fs = std::filesystem;
  GlobalSettings::ResetInstanceForTest();
  GlobalSettings::Instance().channel[0].flags = 0x80;
  const fs::path shared = test::MakeSharedFolder(StateDirectory() / "shared");
  const fs::path mine = StateDirectory() / "mine";
  fs::create_directories(mine);
  std::ofstream(mine / "secret.txt") << "private";
  const auto before = test::Tree(mine);

  fs::create_directory_symlink(mine, shared / "data");
  EXPECT_FALSE(AppendThresholdDump(shared, GlobalSettings::Instance()));
  fs::remove(shared / "data");
  fs::create_directory(shared / "data");
  fs::create_symlink(mine / "secret.txt", shared / "data" / "Threhold.txt");
  EXPECT_FALSE(AppendThresholdDump(shared, GlobalSettings::Instance()));
  EXPECT_EQ(test::Tree(mine), before);

  fs::remove(shared / "data" / "Threhold.txt");
  ASSERT_TRUE(AppendThresholdDump(shared, GlobalSettings::Instance()));
  ASSERT_TRUE(AppendThresholdDump(shared, GlobalSettings::Instance()));
  const test::Bytes dump = test::ReadAll(shared / "data" / "Threhold.txt");
  EXPECT_EQ(std::string(dump.begin(), dump.end()).rfind("CH 0    ", 0), 0u);
  EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 2) << "appended";

  if (!test::CanPlantForeignFiles()) {
    GTEST_SKIP() << test::kNeedsRoot;
  }
  fs::remove(shared / "data" / "Threhold.txt");
  test::PlantForeignFile(shared / "data" / "Threhold.txt", "theirs");
  EXPECT_FALSE(AppendThresholdDump(shared, GlobalSettings::Instance()));
  EXPECT_EQ(test::ReadAll(shared / "data" / "Threhold.txt"),
            (test::Bytes{'t', 'h', 'e', 'i', 'r', 's'}));
}

}  // namespace
}  // namespace padscope
