// The "name = value" dump of the settings record.
#include <gtest/gtest.h>

#include <algorithm>

#include "state/SettingsText.h"

namespace padscope {
namespace {

TEST(SettingsTextTest, DescribesEveryNamedFieldOncePerLine) {
  GlobalSettings s;
  s.rangeMinDelta = -42;
  s.channel[3].threshold = 90;
  ShowChannel(s.channel[0]);
  const std::string text = DescribeSettings(s);

  for (const char* line :
       {"parameterMode = 1\n", "samplingTimes = 16\n", "samplingElapseTenths = 0\n",
        "rangeMinDelta = -42\n", "singleByteMode = 1\n", "channelColor[0] = 0x0000FF\n",
        "channelColor[6] = 0xFF901E\n", "bufferFrames = 1638400\n", "channel[0].flags = 0x80\n",
        "channel[1].flags = 0x00\n", "channel[3].threshold = 90\n", "channel[15].expanded = 1\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(text.find("reserved"), std::string::npos);
  EXPECT_EQ(text.find("header"), std::string::npos);
  // 22 global values, 16 colours, 11 values per channel.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 22 + 16 + 16 * 11);
  EXPECT_EQ(text.rfind("parameterMode = ", 0), 0u);  // file order
}

}  // namespace
}  // namespace padscope
