#include <gtest/gtest.h>

#include "sim/SimTestLink.h"

namespace padscope::simtest {
namespace {

Bytes Slice(const Bytes& b, size_t from, size_t n) {
  return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + n));
}

TEST(SimFlashCommands, WriteDataThenReadDataFromOffsetZero) {
  SimLink link(Fast(SimModel::Corvex));
  ASSERT_TRUE(link.Command(LongHeader(100, kOpWriteData)) && link.Data(Pattern(100)));
  ASSERT_TRUE(link.Command(LongHeader(100, kOpReadData)));
  EXPECT_EQ(link.Read(100), Pattern(100));
  EXPECT_EQ(link.sim.Flash()[100], 0xFF);  // the second report's padding is not data
}

TEST(SimFlashCommands, ProgrammingOnlyClearsBits) {
  SimLink link(Fast(SimModel::Corvex));
  link.sim.SetFlash(0, {0xF0, 0x0F, 0x00});
  ASSERT_TRUE(link.Command(LongHeader(3, kOpWriteData)) && link.Data({0x3C, 0x3C, 0xFF}));
  EXPECT_EQ(Slice(link.sim.Flash(), 0, 3), (Bytes{0x30, 0x0C, 0x00}));
}

TEST(SimFlashCommands, BlockWriteKeepsWholeBlocksAndReadsBack) {
  SimLink link;
  // 130 bytes announce two blocks; the two extra bytes still travel but are dropped.
  ASSERT_TRUE(link.Command(BlockHeader(130, kOpWriteBlocks)) && link.Data(Pattern(130)));
  const Bytes flash = link.sim.Flash();
  EXPECT_EQ(Slice(flash, 0, 128), Pattern(128));
  EXPECT_EQ(flash[128], 0xFF);
  ASSERT_TRUE(link.Command(BlockHeader(128, kOpReadBlocks)));
  EXPECT_EQ(link.Read(128), Pattern(128));
  EXPECT_FALSE(link.sim.Parameters().received);
}

TEST(SimFlashCommands, AccessPastTheEndIsClipped) {
  SimConfig c = Fast(SimModel::Corvex);
  c.flashSizeCode = 0x20;
  c.recordReports = false;
  SimLink link(c);
  const size_t size = 2u << 20;
  ASSERT_TRUE(link.Command(LongHeader(size + 64, kOpWriteData)));
  ASSERT_TRUE(link.Data(Bytes(size + 64, 0x00)));
  EXPECT_EQ(link.sim.Flash().size(), size);
  ASSERT_TRUE(link.Command(LongHeader(size + 64, kOpReadData)));
  const Bytes back = link.Read(size + 64);
  ASSERT_EQ(back.size(), size + 64);
  EXPECT_EQ(back[size - 1], 0x00);
  EXPECT_EQ(Slice(back, size, 64), Bytes(64, 0xFF));
}

TEST(SimFlashCommands, DumpStreamsFlashThenBlankFrames) {
  SimConfig c = Fast();
  c.flashSizeCode = 0x20;
  c.recordReports = false;
  SimLink link(c);
  const size_t frames = (2u << 20) / 64;
  link.sim.SetFlash(0, Pattern(128, 1));
  link.sim.SetFlash((frames - 1) * 64, Pattern(64, 2));
  ASSERT_TRUE(link.Command(ShortHeader(0, kOpStartFlashDumpP)));
  EXPECT_EQ(link.Frame(), Slice(Pattern(128, 1), 0, 64));
  EXPECT_EQ(link.Frame(), Slice(Pattern(128, 1), 64, 64));
  for (size_t i = 2; i < frames - 1; ++i) {
    ASSERT_EQ(link.Frame().size(), 64u);
  }
  EXPECT_EQ(link.Frame(), Pattern(64, 2));
  EXPECT_EQ(link.Frame(), Bytes(64, 0xFF));
  EXPECT_EQ(link.Frame(), Bytes(64, 0xFF));
  ASSERT_TRUE(link.Command(ShortHeader(0, kOpEndFlashDumpP)));
  EXPECT_FALSE(link.sim.IsStreaming());

  SimLink corvex(Fast(SimModel::Corvex));
  corvex.sim.SetFlash(0, Pattern(64, 3));
  ASSERT_TRUE(corvex.Command(LongHeader(0, kOpStartFlashDump)));
  EXPECT_EQ(corvex.Frame(), Pattern(64, 3));
  ASSERT_TRUE(corvex.Command(LongHeader(0, kOpEndFlashDump)));
  EXPECT_FALSE(corvex.sim.IsStreaming());
}

// 0xF4 with argument 64 is a parameter block when exactly 64 bytes follow and a
// 64-block flash write when 4096 do, whatever the report size.
TEST(SimFlashCommands, SixtyFourArgumentIsParametersOrBlockWriteByDataLength) {
  const Bytes parameters = {3, 10, 2, 5, 1};
  for (int reportLength : {65, 9, 21}) {
    SCOPED_TRACE(reportLength);
    SimConfig c = Fast();
    c.outputReportLength = reportLength;
    SimLink link(c);
    Bytes block = parameters;
    block.resize(64, 0);
    ASSERT_TRUE(link.Command(ShortHeader(64, kOpSendParameters)) && link.Data(block));
    ASSERT_TRUE(link.Command(ShortHeader(0, kOpStopStreamP)));  // the next command settles it
    const SimParameters p = link.sim.Parameters();
    EXPECT_TRUE(p.received);
    EXPECT_EQ(p.chTimer, 3);
    EXPECT_EQ(p.times, 10);
    EXPECT_EQ(p.maxHoldKeyTime, 2);
    EXPECT_EQ(p.debounceOrThreshold, 5);
    EXPECT_EQ(p.noComposeKey, 1);
    EXPECT_EQ(link.sim.Flash()[0], 0xFF);

    SimLink write(c);
    const Bytes data = Pattern(4096, 5);
    ASSERT_TRUE(write.Command(BlockHeader(4096, kOpWriteBlocks)) && write.Data(data));
    EXPECT_FALSE(write.sim.Parameters().received);
    EXPECT_EQ(Slice(write.sim.Flash(), 0, 4096), data);
    EXPECT_EQ(write.sim.Flash()[4096], 0xFF);
  }
}

TEST(SimFlashCommands, ParametersSettleWhenLookedAtAndOnCorvex) {
  for (SimModel model : {SimModel::Pelmira, SimModel::Corvex}) {
    SimLink link(Fast(model));
    Bytes block(64, 0);
    block[0] = 7;
    ASSERT_TRUE(link.Command(ShortHeader(64, kOpSendParameters)) && link.Data(block));
    EXPECT_TRUE(link.sim.Parameters().received);
    EXPECT_EQ(link.sim.Parameters().chTimer, 7);
  }
}

TEST(SimFlashCommands, ThresholdCommandSetsOneChannel) {
  SimLink link(Fast(SimModel::Corvex));
  Bytes block(64, 0);
  block[0] = 3, block[1] = 200;
  ASSERT_TRUE(link.Command(ShortHeader(64, kOpSendThreshold)) && link.Data(block));
  block[0] = 16, block[1] = 1;  // no such channel
  ASSERT_TRUE(link.Command(ShortHeader(64, kOpSendThreshold)) && link.Data(block));
  auto thresholds = link.sim.Thresholds();
  EXPECT_EQ(thresholds[3], 200);
  thresholds[3] = 60;
  EXPECT_EQ(thresholds, (std::array<uint8_t, 16>{60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60, 60,
                                                 60, 60, 60}));
}

}  // namespace
}  // namespace padscope::simtest
