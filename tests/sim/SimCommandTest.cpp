#include <gtest/gtest.h>

#include "sim/SimTestLink.h"

namespace padscope::simtest {
namespace {

TEST(SimCommands, ReassemblesHeadersSpreadOverNineByteReports) {
  SimConfig c = Fast(SimModel::Corvex);
  c.outputReportLength = 9;
  SimLink corvex(c);
  ASSERT_TRUE(corvex.Command(LongHeader(0, kOpStartStream)));  // eight reports
  EXPECT_TRUE(corvex.sim.IsStreaming());
  ASSERT_TRUE(corvex.Command(LongHeader(64, kOpReadStatus)));
  const Bytes status = corvex.Read(64);
  ASSERT_EQ(status.size(), 64u);
  EXPECT_EQ(status[1], 0x40);  // the reply, not a frame: replies go first
  ASSERT_EQ(corvex.sim.Commands().size(), 2u);
  EXPECT_TRUE(corvex.sim.Commands()[1].longHeader);
  EXPECT_EQ(corvex.sim.Commands()[1].argument, 64u);

  c.model = SimModel::Pelmira;
  SimLink pelmira(c);
  pelmira.sim.SetFlash(0, Pattern(128));
  ASSERT_TRUE(pelmira.Command(BlockHeader(128, kOpReadBlocks)));  // block form, 8 reports
  ASSERT_TRUE(pelmira.Command(ShortHeader(0x010000, kOpStartStreamP)));
  EXPECT_EQ(pelmira.Read(128), Pattern(128));
  EXPECT_TRUE(pelmira.sim.IsStreaming());
  EXPECT_EQ(pelmira.sim.LastStartValue(), 1);
  EXPECT_EQ(pelmira.sim.Commands().size(), 2u);
}

TEST(SimCommands, FeatureReportCarriesAShortHeader) {
  SimLink link;
  const Bytes feature = {0, 0x55, 0x53, 0x42, 0x43, 0, 0, 0, kOpStartStreamP};
  EXPECT_EQ(link.command->SendFeatureReport(feature.data(), feature.size()), 9);
  EXPECT_TRUE(link.sim.IsStreaming());
  ASSERT_FALSE(link.sim.Reports().empty());
  EXPECT_EQ(link.sim.Reports()[0].channel, SimChannel::Feature);
  EXPECT_TRUE(link.sim.Reports()[0].toAdapter);
}

TEST(SimCommands, EachModelStartsAndStopsItsOwnStream) {
  for (SimModel model : {SimModel::Pelmira, SimModel::Corvex}) {
    SimLink link(Fast(model));
    ASSERT_TRUE(link.Start());
    EXPECT_EQ(link.Frame().size(), 64u);
    EXPECT_EQ(link.sim.FramesDelivered(), 1u);
    ASSERT_TRUE(link.Stop());
    EXPECT_FALSE(link.sim.IsStreaming());
    Bytes in(65);
    EXPECT_EQ(link.data->Read(in.data(), in.size(), 10), 0);
  }
}

TEST(SimCommands, OpcodesOfTheOtherModelAreRecordedAndIgnored) {
  SimLink corvex(Fast(SimModel::Corvex));
  ASSERT_TRUE(corvex.Command(ShortHeader(0, kOpStartStreamP)));
  ASSERT_TRUE(corvex.Command(BlockHeader(128, kOpWriteBlocks)));
  ASSERT_TRUE(corvex.Command(ShortHeader(0, 0x99)));
  EXPECT_FALSE(corvex.sim.IsStreaming());
  for (const SimCommand& command : corvex.sim.Commands()) {
    EXPECT_FALSE(command.known) << int(command.opcode);
  }

  SimLink pelmira;
  ASSERT_TRUE(pelmira.Command(LongHeader(0, kOpStartStream)));
  EXPECT_FALSE(pelmira.sim.IsStreaming());
  // ...but both answer the long status request.
  ASSERT_TRUE(pelmira.Command(LongHeader(64, kOpReadStatus)));
  EXPECT_EQ(pelmira.Read(64).size(), 64u);
}

TEST(SimCommands, StatusReportsTheFlashSizeCode) {
  const std::pair<uint8_t, size_t> cases[] = {
      {0x20, 2u << 20}, {0x40, 4u << 20}, {0x80, 8u << 20}, {0x33, 4u << 20}};
  for (auto [code, size] : cases) {
    SimConfig c = Fast(SimModel::Corvex);
    c.flashSizeCode = code;
    SimLink link(c);
    const Bytes status = link.Status();
    ASSERT_EQ(status.size(), 64u);
    EXPECT_EQ(status[0], 0);
    EXPECT_EQ(status[1], code);
    EXPECT_EQ(status[2], 0);
    EXPECT_EQ(link.sim.FlashSize(), size);
  }
}

TEST(SimCommands, EraseBlanksFlashAndDropsWritesWhileBusy) {
  SimConfig c = Fast();
  c.eraseMs = 600000;  // still busy when the test ends
  SimLink link(c);
  link.sim.SetFlash(100, Pattern(10));
  ASSERT_TRUE(link.Command(ShortHeader(0, kOpEraseFlashP)));
  EXPECT_TRUE(link.sim.IsBusy());
  EXPECT_EQ(link.Status()[0], 1);
  ASSERT_TRUE(link.Command(BlockHeader(128, kOpWriteBlocks)) && link.Data(Pattern(128)));
  EXPECT_EQ(link.sim.BytesDroppedWhileBusy(), 128u);
  const Bytes flash = link.sim.Flash();
  EXPECT_TRUE(std::all_of(flash.begin(), flash.end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST(SimCommands, BusyClearsWhenTheEraseTimeHasPassed) {
  SimConfig c = Fast(SimModel::Corvex);
  c.eraseMs = 30;
  SimLink link(c);
  ASSERT_TRUE(link.Command(LongHeader(0, kOpEraseFlash)));
  EXPECT_TRUE(Eventually([&] { return link.Status()[0] == 0; }));
  EXPECT_FALSE(link.sim.IsBusy());
}

}  // namespace
}  // namespace padscope::simtest
