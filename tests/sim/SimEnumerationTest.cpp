#include <gtest/gtest.h>

#include "sim/SimTestLink.h"
#include "sim/SimulatedAdapter.h"

namespace padscope::simtest {
namespace {

TEST(SimEnumeration, ListsBothCollectionsWithTheAdapterIds) {
  SimConfig c = Fast(SimModel::Corvex);
  c.versionNumber = 0x7732;
  SimulatedAdapter sim(c);
  const auto list = sim.Enumerate();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].path, sim.CommandPath());
  EXPECT_EQ(list[1].path, sim.DataPath());
  EXPECT_NE(sim.CommandPath(), sim.DataPath());
  for (const HidDeviceInfo& info : list) {
    EXPECT_EQ(info.vendorId, 0x1130);
    EXPECT_EQ(info.productId, 0x5750);
    EXPECT_EQ(info.releaseNumber, 0x7732);
  }
  EXPECT_EQ(list[0].usagePage, 0x0001);
  EXPECT_EQ(list[0].usage, 0x0003);
  EXPECT_EQ(list[1].usagePage, 0xFFA0);
  EXPECT_EQ(list[1].usage, 0x0001);

  auto data = sim.Open(list[1]);
  HidCaps caps;
  HidAttributes attributes;
  ASSERT_TRUE(data->GetCaps(caps) && data->GetAttributes(attributes));
  EXPECT_EQ(caps.usagePage, 0xFFA0);
  EXPECT_EQ(caps.inputReportLength, 65);
  EXPECT_EQ(caps.featureReportLength, 9);
  EXPECT_EQ(attributes.productId, 0x5750);
  EXPECT_EQ(sim.Open(HidDeviceInfo{"sim:nowhere"}), nullptr);
}

TEST(SimEnumeration, DataFirstWithForeignDevicesAtTheirPositions) {
  SimConfig c = Fast();
  c.dataCollectionFirst = true;
  c.foreignDevices = {{.position = 99, .productId = 0x0003},
                      {.position = 0, .productId = 0x0001},
                      {.position = 2, .productId = 0x0002}};
  SimulatedAdapter sim(c);
  const auto list = sim.Enumerate();
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].productId, 0x0001);
  EXPECT_EQ(list[1].path, sim.DataPath());
  EXPECT_EQ(list[2].productId, 0x0002);
  EXPECT_EQ(list[3].path, sim.CommandPath());
  EXPECT_EQ(list[4].productId, 0x0003);

  // A foreign collection opens and describes itself but carries nothing of ours.
  auto foreign = sim.Open(list[2]);
  ASSERT_NE(foreign, nullptr);
  HidAttributes a;
  HidCaps caps;
  ASSERT_TRUE(foreign->GetAttributes(a) && foreign->GetCaps(caps));
  EXPECT_EQ(a.vendorId, 0x046D);
  EXPECT_EQ(a.productId, 0x0002);
  EXPECT_EQ(caps.usagePage, 0x0001);
  EXPECT_EQ(caps.usage, 0x0002);
  const Bytes report = {0, 0x55, 0x53, 0x42, 0x43, 0, 0, 0, 0xF3};
  EXPECT_EQ(foreign->Write(report.data(), report.size()), -1);
  EXPECT_EQ(foreign->SendFeatureReport(report.data(), report.size()), -1);
  Bytes in(65);
  EXPECT_EQ(foreign->Read(in.data(), in.size(), -1), -1);
  EXPECT_FALSE(sim.IsStreaming());
}

TEST(SimEnumeration, UnplugDropsTheAdapterAndReplugNeedsNewHandles) {
  SimConfig c = Fast();
  c.foreignDevices = {{.position = 1}};
  SimLink link(c);
  ASSERT_TRUE(link.Start());
  ASSERT_EQ(link.Frame().size(), 64u);

  link.sim.Unplug();
  EXPECT_FALSE(link.sim.IsPlugged());
  EXPECT_FALSE(link.sim.IsStreaming());
  const auto gone = link.sim.Enumerate();
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_EQ(gone[0].vendorId, 0x046D);
  EXPECT_EQ(link.sim.Open(HidDeviceInfo{link.sim.CommandPath()}), nullptr);
  Bytes in(65);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), -1), -1);  // fails at once, no wait
  EXPECT_FALSE(link.Command(ShortHeader(0, kOpStartStreamP)));
  HidAttributes a;
  EXPECT_FALSE(link.command->GetAttributes(a));

  link.sim.Replug();
  EXPECT_EQ(link.sim.Enumerate().size(), 3u);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), 0), -1);  // old handles stay dead
  link.Open();
  EXPECT_EQ(link.Status().size(), 64u);
}

}  // namespace
}  // namespace padscope::simtest
