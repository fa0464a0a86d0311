#include <gtest/gtest.h>

#include <algorithm>

#include "sim/SimTestLink.h"

namespace padscope::simtest {
namespace {

// Strictly, a header is taken only at byte 0 of a whole report.
TEST(SimCommands, StrictHeadersStartAtByteZeroOfWholeReports) {
  SimConfig c = Fast(SimModel::Corvex);
  c.strictHeaders = true;
  c.outputReportLength = 9;
  SimLink link(c);
  Bytes report(9, 0);
  Bytes offset = report;
  const Bytes start = ShortHeader(0, kOpStartStreamP);
  std::copy(start.begin(), start.begin() + 7, offset.begin() + 2);  // one byte late
  EXPECT_EQ(link.command->Write(offset.data(), offset.size()), 9);
  EXPECT_EQ(link.command->Write(report.data(), 8), -1) << "a short report is refused";
  EXPECT_TRUE(link.sim.Commands().empty());
  // A long header still carries on into the next report.
  ASSERT_TRUE(link.Command(LongHeader(0, kOpStartStream)));
  EXPECT_TRUE(link.sim.IsStreaming());
  ASSERT_EQ(link.sim.Commands().size(), 1u);

  c.model = SimModel::Pelmira;
  c.outputReportLength = 65;
  SimLink pelmira(c);
  Bytes two = ShortHeader(0, kOpStartStreamP);
  const Bytes stop = ShortHeader(0, kOpStopStreamP);
  two.insert(two.end(), stop.begin(), stop.end());
  ASSERT_TRUE(pelmira.Command(two));
  EXPECT_TRUE(pelmira.sim.IsStreaming()) << "one header per report: the stop is padding";
  EXPECT_EQ(pelmira.sim.Commands().size(), 1u);
}

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

TEST(SimCommands, WritesWhileBusyAreDropped) {
  SimConfig c = Fast();
  c.eraseMs = 600000;  // still busy when the test ends
  SimLink link(c);
  ASSERT_TRUE(link.Command(ShortHeader(0, kOpEraseFlashP)));
  EXPECT_TRUE(link.sim.IsBusy());
  EXPECT_EQ(link.Status()[0], 1);
  ASSERT_TRUE(link.Command(BlockHeader(128, kOpWriteBlocks)) && link.Data(Bytes(128, 0)));
  EXPECT_EQ(link.sim.BytesDroppedWhileBusy(), 128u);
  EXPECT_EQ(link.sim.Flash()[0], 0xFF) << "the zeros did not land";
}

// An erase clears the chip sector by sector: what is read while it is busy is
// partly erased, and only when it reports idle is all of it blank.
TEST(SimCommands, ReadsDuringAnEraseShowAPartlyErasedChip) {
  SimConfig c = Fast(SimModel::Corvex);
  c.flashSizeCode = 0x20;
  c.eraseMs = 500;
  c.recordReports = false;
  SimLink link(c);
  const size_t size = link.sim.FlashSize();
  link.sim.SetFlash(0, Bytes(size, 0x00));
  ASSERT_TRUE(link.Command(LongHeader(0, kOpEraseFlash)));
  ASSERT_TRUE(Eventually([&] { return link.sim.Flash()[0] == 0xFF; }));
  ASSERT_TRUE(link.Command(LongHeader(static_cast<uint32_t>(size), kOpReadData)));
  const Bytes back = link.Read(size);
  ASSERT_EQ(back.size(), size);
  const auto blank = static_cast<size_t>(
      std::find_if(back.begin(), back.end(), [](uint8_t b) { return b != 0xFF; }) - back.begin());
  // Erased from the start: a blank prefix, then the old contents.
  EXPECT_GT(blank, 0u);
  EXPECT_LT(blank, size);
  EXPECT_TRUE(std::all_of(back.begin() + static_cast<long>(blank), back.end(),
                          [](uint8_t b) { return b == 0x00; }));
  ASSERT_TRUE(Eventually([&] { return link.Status()[0] == 0; }));
  EXPECT_EQ(link.sim.Flash(), Bytes(size, 0xFF));
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
