// Finding the adapter among the HID collections and telling the models apart.
#include <gtest/gtest.h>

#include <chrono>

#include "common/SimFixture.h"
#include "link/Identification.h"
#include "link/Opcodes.h"

namespace padscope {
namespace {

using test::SimAdapter;

TEST(Identification, TableRows) {
  struct Row {
    uint16_t version;
    const char* text;
    bool twoLine;
    bool newer;
  };
  const Row rows[] = {
      {0x7732, "w2", true, true},    {0x4457, "DW", true, false},   {0x0100, "0100", true, false},
      {0x0101, "0101", false, true}, {0xBEEF, "beef", false, true},
  };
  for (const Row& r : rows) {
    const AdapterIdentity id = IdentifyAdapter(0x1130, 0x6655, r.version);
    EXPECT_TRUE(id.matched);
    EXPECT_TRUE(id.isPelmira);
    EXPECT_FALSE(id.isCorvex);
    EXPECT_EQ(id.firmwareText, r.text);
    EXPECT_EQ(id.twoLineAdapter, r.twoLine) << r.text;
    EXPECT_EQ(id.newerFirmwareAvailable, r.newer) << r.text;
  }
  EXPECT_TRUE(IdentifyAdapter(0x1130, 0x5750, 0x4457).isCorvex);
}

TEST(Identification, ForeignIdsMatchNothing) {
  for (const auto& [vendor, product] :
       {std::pair<uint16_t, uint16_t>{0x1131, 0x6655}, {0x1130, 0x6656}, {0x046D, 0x5750}}) {
    const AdapterIdentity id = IdentifyAdapter(vendor, product, 0x4457);
    EXPECT_FALSE(id.matched);
    EXPECT_FALSE(id.isCorvex || id.isPelmira);
  }
}

TEST(Connect, FindsBothCollectionsAndIdentifiesTheModel) {
  SimAdapter s(SimAdapter::FastConfig(SimModel::Corvex));
  EXPECT_FALSE(s.adapter.IsConnected());
  ASSERT_TRUE(s.adapter.Connect());
  EXPECT_TRUE(s.adapter.isCorvex);
  EXPECT_FALSE(s.adapter.isPelmira);
  EXPECT_EQ(s.adapter.FirmwareText(), "DW");
  EXPECT_TRUE(s.adapter.IsTwoLineAdapter());
  EXPECT_FALSE(s.adapter.HasNewerFirmware());
  EXPECT_EQ(s.adapter.commandInterface.devicePath, s.sim->CommandPath());
  EXPECT_EQ(s.adapter.dataInterface.devicePath, s.sim->DataPath());
  EXPECT_EQ(s.adapter.dataInterface.caps.inputReportLength, 65);
  EXPECT_TRUE(s.adapter.commandInterface.isOpen);
}

TEST(Connect, DataCollectionEnumeratedFirst) {
  SimConfig c = SimAdapter::FastConfig();
  c.dataCollectionFirst = true;
  SimAdapter s(c);
  ASSERT_EQ(s.sim->Enumerate().front().usagePage, kDataUsagePage);
  ASSERT_TRUE(s.adapter.Connect());
  EXPECT_EQ(s.adapter.commandInterface.devicePath, s.sim->CommandPath());
  EXPECT_EQ(s.adapter.dataInterface.devicePath, s.sim->DataPath());
  EXPECT_TRUE(s.adapter.isPelmira);
}

TEST(Connect, ForeignDeviceBetweenTheTwoCollections) {
  SimConfig c = SimAdapter::FastConfig();
  c.foreignDevices.push_back(SimForeignDevice{.position = 1});
  SimAdapter s(c);
  const auto list = s.sim->Enumerate();
  ASSERT_EQ(list.size(), 3u);
  ASSERT_NE(list[1].vendorId, kAdapterVendorId);
  ASSERT_TRUE(s.adapter.Connect());
  EXPECT_TRUE(s.adapter.isPelmira) << "set again by the second collection";
}

TEST(Connect, ForeignInterfaceClearsTheModelFlags) {
  SimConfig c = SimAdapter::FastConfig();
  c.foreignDevices.push_back(SimForeignDevice{.position = 2});
  SimAdapter s(c);
  const auto list = s.sim->Enumerate();
  HidInterface scratch;
  // The data collection is not the command collection, yet its attributes set the flags.
  const HidDeviceInfo& data = list[0].usagePage == kDataUsagePage ? list[0] : list[1];
  EXPECT_FALSE(s.adapter.OpenInterface(data, true, true, false, false, true, scratch,
                                       kCommandUsagePage, kCommandUsage));
  EXPECT_TRUE(s.adapter.isPelmira);
  EXPECT_FALSE(s.adapter.OpenInterface(list[2], true, true, false, false, true, scratch,
                                       kCommandUsagePage, kCommandUsage));
  EXPECT_FALSE(s.adapter.isPelmira);
  EXPECT_FALSE(scratch.isOpen);
}

TEST(Connect, ForeignVendorIsNotAnAdapter) {
  SimConfig c = SimAdapter::FastConfig();
  c.vendorId = 0x1131;
  SimAdapter s(c);
  EXPECT_FALSE(s.adapter.Connect());
  EXPECT_FALSE(s.adapter.isPelmira);
  EXPECT_EQ(s.adapter.FirmwareText(), "");
}

TEST(Connect, NewerFirmwareFourWireAdapter) {
  SimConfig c = SimAdapter::FastConfig();
  c.versionNumber = 0x0101;
  SimAdapter s(c);
  ASSERT_TRUE(s.adapter.Connect());
  EXPECT_EQ(s.adapter.FirmwareText(), "0101");
  EXPECT_FALSE(s.adapter.IsTwoLineAdapter());
  EXPECT_TRUE(s.adapter.HasNewerFirmware());
}

TEST(Connect, CommandsBeforeConnectTouchNothing) {
  SimAdapter s;
  std::vector<uint8_t> buffer(64);
  EXPECT_FALSE(s.adapter.StopStreamP());
  EXPECT_FALSE(s.adapter.ReadStatus(buffer.data(), 64));
  EXPECT_FALSE(s.adapter.ReadStream(buffer.data(), 64));
  EXPECT_TRUE(s.sim->Reports().empty());
}

TEST(Connect, UnpluggedAdapterFailsEveryCommandWithoutBlocking) {
  SimAdapter s;
  ASSERT_TRUE(s.adapter.Connect());
  ASSERT_TRUE(s.adapter.SendOpcodeWithByte(kOpStartStreamP, 0));
  // Long time-outs: only an immediate failure keeps this test quick.
  s.adapter.SetStreamTimeoutMs(30000);
  s.adapter.SetReplyTimeoutMs(30000);
  s.sim->Unplug();
  std::vector<uint8_t> buffer(300);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(s.adapter.ReadStream(buffer.data(), 64));
  EXPECT_FALSE(s.adapter.StopStreamP());
  EXPECT_FALSE(s.adapter.StopStream());
  EXPECT_FALSE(s.adapter.ReadStatus(buffer.data(), 64));
  EXPECT_FALSE(s.adapter.ReadStatusP(buffer.data(), 64));
  EXPECT_FALSE(s.adapter.WriteData(buffer.data(), 300));
  EXPECT_FALSE(s.adapter.ReadBlocks(buffer.data(), 128));
  EXPECT_FALSE(s.adapter.SetRechargeAddress(1, true));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  // The flag stays: the handles are stale, not closed.
  EXPECT_TRUE(s.adapter.IsConnected());
}

TEST(Connect, ReplugOpensFreshHandles) {
  SimAdapter s;
  ASSERT_TRUE(s.adapter.Connect());
  s.sim->Unplug();
  EXPECT_TRUE(s.sim->Enumerate().empty());
  EXPECT_TRUE(s.adapter.Connect()) << "still marked connected";
  EXPECT_FALSE(s.adapter.isPelmira) << "nothing identified while unplugged";
  EXPECT_FALSE(s.adapter.StopStreamP());
  s.sim->Replug();
  ASSERT_TRUE(s.adapter.Connect());
  EXPECT_TRUE(s.adapter.isPelmira);
  EXPECT_TRUE(s.adapter.StopStreamP());
}

TEST(Connect, RepeatedConnectKeepsWorking) {
  SimAdapter s;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(s.adapter.Connect());
  }
  std::vector<uint8_t> status(64);
  EXPECT_TRUE(s.adapter.ReadStatusP(status.data(), 64));
}

}  // namespace
}  // namespace padscope
