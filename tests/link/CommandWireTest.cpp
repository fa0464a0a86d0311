// The bytes every command puts on the wire, as the simulated adapter saw them.
#include <gtest/gtest.h>

#include <numeric>

#include "common/SimFixture.h"
#include "link/CommandHeaders.h"
#include "link/Opcodes.h"

namespace padscope {
namespace {

using test::Report;
using test::SimAdapter;
using Bytes = std::vector<uint8_t>;

Bytes LongHeader(uint32_t b, uint8_t opcode) {
  Bytes h = {0x55,
             0x53,
             0x42,
             0x43,
             0,
             0,
             0,
             0,
             uint8_t(b >> 24),
             uint8_t(b >> 16),
             uint8_t(b >> 8),
             uint8_t(b),
             0,
             0,
             0,
             opcode};
  h.resize(64, 0);
  return h;
}

Bytes ShortHeader(uint8_t b4, uint8_t b5, uint8_t b6, uint8_t opcode) {
  return {0x55, 0x53, 0x42, 0x43, b4, b5, b6, opcode};
}

// A strict adapter: headers only at byte 0 of whole reports, and feature
// reports longer than the 9 bytes a header needs. What it takes, a lenient
// one takes too.
class CommandWire : public ::testing::TestWithParam<SimModel> {
 protected:
  static SimConfig Config() {
    SimConfig c = SimAdapter::FastConfig(GetParam());
    c.strictHeaders = true;
    c.featureReportLength = 33;
    return c;
  }
  static SimModel Model() { return GetParam(); }
  size_t FeatureLength() const { return static_cast<size_t>(s.sim->config().featureReportLength); }
  void SetUp() override {
    ASSERT_TRUE(s.adapter.Connect());
    s.sim->ClearReports();
  }
  Bytes OnlyCommand() {
    auto cmds = s.Written(SimChannel::Command);
    EXPECT_EQ(cmds.size(), 1u);
    return cmds.empty() ? Bytes{} : cmds[0];
  }
  SimAdapter s{Config()};
};

TEST_P(CommandWire, RechargeAddressExample) {
  ASSERT_TRUE(s.adapter.SetRechargeAddress(4096));
  EXPECT_EQ(OnlyCommand(), Report(ShortHeader(0x00, 0x10, 0x00, 0xF6)));
  EXPECT_EQ(s.sim->RechargeAddress(), 4096u);
}

TEST_P(CommandWire, RechargeAddressDropsBitsAbove23) {
  ASSERT_TRUE(s.adapter.SetRechargeAddress(0x12345678));
  EXPECT_EQ(OnlyCommand(), Report(ShortHeader(0x34, 0x56, 0x78, 0xF6)));
}

TEST_P(CommandWire, ShortCommandsWithoutData) {
  struct Case {
    std::function<bool(HidAdapter&)> send;
    Bytes header;
  };
  const Case cases[] = {
      {[](HidAdapter& a) { return a.StopStreamP(); }, ShortHeader(0, 0, 0, 0xF2)},
      {[](HidAdapter& a) { return a.EraseFlashP(); }, ShortHeader(0, 0, 0, 0xFD)},
      {[](HidAdapter& a) { return a.EndFlashDumpP(); }, ShortHeader(0, 0, 0, 0xFE)},
      {[](HidAdapter& a) { return a.SendOpcodeWithByte(0xF3, 1); }, ShortHeader(1, 0, 0, 0xF3)},
      {[](HidAdapter& a) { return a.SendOpcodeWithByte(0xFC, 0); }, ShortHeader(0, 0, 0, 0xFC)},
  };
  for (const Case& c : cases) {
    s.sim->ClearReports();
    ASSERT_TRUE(c.send(s.adapter));
    EXPECT_EQ(OnlyCommand(), Report(c.header));
    EXPECT_TRUE(s.Written(SimChannel::Data).empty());
  }
}

TEST_P(CommandWire, LongCommandsWithoutData) {
  const std::pair<std::function<bool(HidAdapter&)>, uint8_t> cases[] = {
      {[](HidAdapter& a) { return a.StopStream(); }, 0xD0},
      {[](HidAdapter& a) { return a.StartStream(); }, 0xD1},
      {[](HidAdapter& a) { return a.StartFlashDump(); }, 0xD4},
      {[](HidAdapter& a) { return a.EndFlashDump(); }, 0xD6},
      {[](HidAdapter& a) { return a.EraseFlash(); }, 0xE4},
  };
  for (const auto& [send, opcode] : cases) {
    s.sim->ClearReports();
    ASSERT_TRUE(send(s.adapter));
    EXPECT_EQ(OnlyCommand(), Report(LongHeader(0, opcode)));
  }
}

TEST_P(CommandWire, WriteDataExampleOf300Bytes) {
  Bytes data(300);
  std::iota(data.begin(), data.end(), 1);
  ASSERT_TRUE(s.adapter.WriteData(data.data(), 300));
  EXPECT_EQ(OnlyCommand(), Report(LongHeader(300, 0xD2)));
  const auto reports = s.Written(SimChannel::Data);
  ASSERT_EQ(reports.size(), 5u);  // ceil(300 / 64)
  for (size_t r = 0; r < reports.size(); ++r) {
    const size_t from = r * 64;
    const size_t to = std::min<size_t>(from + 64, 300);
    EXPECT_EQ(reports[r], Report(Bytes(data.begin() + from, data.begin() + to))) << r;
  }
}

TEST_P(CommandWire, BlockWriteAnnouncesWholeBlocksButSendsEverything) {
  Bytes data(100, 0x5A);
  ASSERT_TRUE(s.adapter.WriteBlocks(data.data(), 100));
  Bytes header = ShortHeader(0, 0, 1, 0xF4);
  header.resize(64, 0);
  EXPECT_EQ(OnlyCommand(), Report(header));
  const auto reports = s.Written(SimChannel::Data);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1], Report(Bytes(36, 0x5A)));
}

TEST_P(CommandWire, ReadCommandsAnnounceTheirLength) {
  Bytes buffer(128);
  // Both models answer the long-form status request.
  ASSERT_TRUE(s.adapter.ReadStatus(buffer.data(), 64));
  EXPECT_EQ(OnlyCommand(), Report(LongHeader(64, 0xD7)));

  s.sim->ClearReports();
  if (Model() == SimModel::Corvex) {
    ASSERT_TRUE(s.adapter.ReadData(buffer.data(), 128));
    EXPECT_EQ(OnlyCommand(), Report(LongHeader(128, 0xD3)));
    return;
  }
  ASSERT_TRUE(s.adapter.ReadStatusP(buffer.data(), 64));
  EXPECT_EQ(OnlyCommand(), Report(ShortHeader(0, 0, 64, 0xF1)));

  s.sim->ClearReports();
  ASSERT_TRUE(s.adapter.ReadBlocks(buffer.data(), 128));
  Bytes block = ShortHeader(0, 0, 2, 0xF5);
  block.resize(64, 0);
  EXPECT_EQ(OnlyCommand(), Report(block));
}

TEST_P(CommandWire, SendWithDataCarriesLengthAndPayload) {
  Bytes data(64, 0);
  data[0] = 3;
  data[1] = 77;
  ASSERT_TRUE(s.adapter.SendWithData(0xF7, data.data(), 64));
  EXPECT_EQ(OnlyCommand(), Report(ShortHeader(0, 0, 64, 0xF7)));
  const auto reports = s.Written(SimChannel::Data);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], Report(data));
  EXPECT_EQ(s.sim->Thresholds()[3], 77);
}

TEST_P(CommandWire, FeaturePathSendsAWholeFeatureReport) {
  ASSERT_TRUE(s.adapter.SetRechargeAddress(0x1000, /*viaFeature=*/true));
  ASSERT_TRUE(s.adapter.StopStreamP(true));
  const auto features = s.Written(SimChannel::Feature);
  ASSERT_EQ(features.size(), 2u);
  EXPECT_EQ(features[0], Report(ShortHeader(0, 0x10, 0, 0xF6), FeatureLength()));
  EXPECT_EQ(features[1], Report(ShortHeader(0, 0, 0, 0xF2), FeatureLength()));
  EXPECT_TRUE(s.Written(SimChannel::Command).empty());
  EXPECT_EQ(s.sim->RechargeAddress(), 0x1000u);
}

TEST_P(CommandWire, FeaturePathWithDataPhaseUsesDataCollection) {
  Bytes data(64, 0);
  data[0] = 2;
  data[1] = 40;
  ASSERT_TRUE(s.adapter.SendWithData(0xF7, data.data(), 64, true));
  EXPECT_EQ(s.Written(SimChannel::Feature).size(), 1u);
  EXPECT_EQ(s.Written(SimChannel::Data).size(), 1u);
  EXPECT_EQ(s.sim->Thresholds()[2], 40);
}

TEST_P(CommandWire, NegativeLengthSendsNothing) {
  Bytes buffer(64);
  EXPECT_FALSE(s.adapter.WriteData(buffer.data(), -1));
  EXPECT_FALSE(s.adapter.ReadBlocks(buffer.data(), -64));
  EXPECT_FALSE(s.adapter.WriteBlocks(nullptr, 64));
  EXPECT_TRUE(s.sim->Reports().empty());
}

INSTANTIATE_TEST_SUITE_P(BothModels, CommandWire,
                         ::testing::Values(SimModel::Pelmira, SimModel::Corvex),
                         [](const auto& info) {
                           return info.param == SimModel::Corvex ? "Corvex" : "Pelmira";
                         });

TEST(CommandHeaders, PackBigEndianFields) {
  const auto s = BuildShortHeader(0xABCDEF, 0x12);
  EXPECT_EQ(Bytes(s.begin(), s.end()), ShortHeader(0xAB, 0xCD, 0xEF, 0x12));
  const auto l = BuildLongHeader(0x01020304, 0x05060708, 0xD2);
  EXPECT_EQ(Bytes(l.begin() + 4, l.begin() + 16), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0xD2}));
  const auto b = BuildBlockHeader(64 * 0x010203 + 63, 0xF5);
  EXPECT_EQ(Bytes(b.begin() + 4, b.begin() + 8), (Bytes{1, 2, 3, 0xF5}));
  EXPECT_TRUE(std::all_of(b.begin() + 8, b.end(), [](uint8_t v) { return v == 0; }));
}

}  // namespace
}  // namespace padscope
