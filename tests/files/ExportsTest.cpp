// The text exports, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "state/GlobalSettings.h"
#include "capture/CaptureContext.h"
#include "files/Exports.h"

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

}  // namespace
}  // namespace padscope
