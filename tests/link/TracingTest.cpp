// The --trace lines: one per report that crosses the link, either way.
#include <gtest/gtest.h>

#include "common/SimFixture.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"
#include "link/TracingBackend.h"

namespace padscope {
namespace {

TEST(TraceLine, Format) {
  const uint8_t bytes[] = {0x00, 0x55, 0xAB, 0x0F};
  EXPECT_EQ(FormatTraceLine(true, "cmd", bytes, 4), "> cmd 00 55 AB 0F");
  EXPECT_EQ(FormatTraceLine(false, "data", bytes, 1), "< data 00");
  EXPECT_EQ(FormatTraceLine(true, "feature", bytes, 0), "> feature");
}

TEST(TracingBackend, ReportsEveryReportWithItsCollection) {
  auto sim = std::make_shared<SimulatedAdapter>(test::FastSimConfig(SimModel::Corvex));
  std::vector<std::string> lines;
  auto traced = std::make_shared<TracingBackend>(
      sim, [&lines](const std::string& line) { lines.push_back(line); });
  HidAdapter adapter(traced);
  ASSERT_TRUE(adapter.Connect());
  EXPECT_TRUE(lines.empty()) << "opening sends nothing";

  std::vector<uint8_t> status(64);
  ASSERT_TRUE(adapter.ReadStatus(status.data(), 64));
  ASSERT_TRUE(adapter.SetRechargeAddress(0x1000, /*viaFeature=*/true));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 30), "> cmd 00 55 53 42 43 00 00 00 ");
  EXPECT_EQ(lines[0].size(), 2 + 4 + 65 * 3 - 1);
  EXPECT_EQ(lines[1].substr(0, 9), "< data 00");
  EXPECT_EQ(lines[1].size(), 2 + 5 + 65 * 3 - 1);
  EXPECT_EQ(lines[2], "> feature 00 55 53 42 43 00 10 00 F6");
}

TEST(TracingBackend, FailedTransfersAreNotTraced) {
  auto sim = std::make_shared<SimulatedAdapter>(test::FastSimConfig());
  std::vector<std::string> lines;
  HidAdapter adapter(std::make_shared<TracingBackend>(
      sim, [&lines](const std::string& line) { lines.push_back(line); }));
  ASSERT_TRUE(adapter.Connect());
  sim->Unplug();
  EXPECT_FALSE(adapter.StopStreamP());
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace padscope
