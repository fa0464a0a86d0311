#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>

#include "sim/SimTestLink.h"

namespace padscope::simtest {
namespace {

TEST(SimFaults, FrameFaultsDamageTheNextFramesInOrder) {
  SimLink link;
  link.sim.InjectFrameFault(SimFrameFault::AllFF, 2);
  link.sim.InjectFrameFault(SimFrameFault::ZeroBytes3To6, 1);
  link.sim.InjectFrameFault(SimFrameFault::ZeroChannelByte, 1);
  link.sim.InjectFrameFault(SimFrameFault::AllZero, 1);
  ASSERT_TRUE(link.Start());
  EXPECT_EQ(link.Frame(), Bytes(64, 0xFF));
  EXPECT_EQ(link.Frame(), Bytes(64, 0xFF));
  Bytes f = link.Frame();
  EXPECT_EQ(Bytes(f.begin() + 3, f.begin() + 7), Bytes(4, 0));
  EXPECT_EQ(f[2], 0x10);
  f = link.Frame();
  EXPECT_EQ(f[2], 0);
  EXPECT_NE(Bytes(f.begin() + 3, f.begin() + 7), Bytes(4, 0));
  EXPECT_EQ(link.Frame(), Bytes(64, 0));
  f = link.Frame();
  EXPECT_EQ(f[2], 0x10);
  EXPECT_NE(Bytes(f.begin() + 3, f.begin() + 7), Bytes(4, 0));
}

TEST(SimFaults, BlockedReaderWakesForDataAndForUnplug) {
  SimLink link;
  Bytes in(65);
  auto reader =
      std::async(std::launch::async, [&] { return link.data->Read(in.data(), in.size(), -1); });
  ASSERT_TRUE(link.Command(ShortHeader(64, kOpReadStatusP)));
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(reader.get(), 65);
  EXPECT_EQ(in[2], 0x40);

  Bytes second(65);
  reader = std::async(std::launch::async,
                      [&] { return link.data->Read(second.data(), second.size(), -1); });
  link.sim.Unplug();
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(reader.get(), -1);
}

TEST(SimFaults, ShortWritesTakeOneByteLess) {
  SimLink link;
  link.sim.InjectShortWrites(1);
  Bytes report(65, 0);
  const Bytes start = ShortHeader(0, kOpStartStreamP);
  std::copy(start.begin(), start.end(), report.begin() + 1);
  EXPECT_EQ(link.command->Write(report.data(), report.size()), 64);
  EXPECT_EQ(link.sim.Reports().back().bytes.size(), 64u);
  EXPECT_EQ(link.command->Write(report.data(), report.size()), 65);
  EXPECT_TRUE(link.sim.IsStreaming());
}

TEST(SimFaults, TransfersFailAfterTheBudgetUntilClearedOrReplugged) {
  SimLink link;
  link.sim.FailTransfersAfter(2);
  ASSERT_TRUE(link.Command(ShortHeader(64, kOpReadStatusP)));  // 1
  EXPECT_EQ(link.Read(64).size(), 64u);                        // 2
  EXPECT_FALSE(link.Command(ShortHeader(64, kOpReadStatusP)));
  Bytes in(65);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), -1), -1);
  link.sim.ClearTransferFault();
  EXPECT_EQ(link.Status().size(), 64u);

  link.sim.FailTransfersAfter(0);
  EXPECT_FALSE(link.Start());
  link.sim.Replug();
  link.Open();
  EXPECT_TRUE(link.Start());
}

TEST(SimFaults, BadReportsAndDegenerateLengthsFailWithoutHarm) {
  for (int length : {0, 1}) {
    SimConfig c = Fast();
    c.inputReportLength = c.outputReportLength = c.featureReportLength = length;
    SimLink link(c);
    HidCaps caps;
    ASSERT_TRUE(link.command->GetCaps(caps));
    EXPECT_EQ(caps.inputReportLength, length);
    EXPECT_EQ(caps.outputReportLength, length);
    Bytes buffer(65, 0);
    EXPECT_EQ(link.command->Write(buffer.data(), buffer.size()), -1);
    EXPECT_EQ(link.command->SendFeatureReport(buffer.data(), buffer.size()), -1);
    EXPECT_EQ(link.data->Read(buffer.data(), buffer.size(), -1), -1);
  }
  SimLink link;
  Bytes tooLong(66, 0), numbered(65, 0);
  numbered[0] = 1;
  EXPECT_EQ(link.command->Write(tooLong.data(), tooLong.size()), -1);
  EXPECT_EQ(link.command->Write(numbered.data(), numbered.size()), -1);
  EXPECT_EQ(link.command->Write(nullptr, 65), -1);
  EXPECT_EQ(link.data->Read(nullptr, 65, 0), -1);
  EXPECT_TRUE(link.sim.Reports().empty());
}

TEST(SimFaults, IdleReadsTimeOut) {
  SimConfig c = Fast();
  c.readTimeoutMs = 10;
  SimLink link(c);
  Bytes in(65);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), 10), 0);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), -1), 0);     // capped
  EXPECT_EQ(link.command->Read(in.data(), in.size(), -1), 0);  // nothing comes this way
}

// A capture thread reads while another thread sends commands and injects
// faults; the run ends when the unplug reaches the reader.
TEST(SimFaults, CommandsAndFaultsWhileACaptureRuns) {
  SimLink link;
  std::atomic<int> observed{0};
  link.sim.SetReportObserver([&](const SimReport&) { ++observed; });
  ASSERT_TRUE(link.Start());
  auto reader = std::async(std::launch::async, [&] {
    Bytes in(65);
    int reports = 0;
    while (link.data->Read(in.data(), in.size(), -1) == 65) {
      ++reports;
    }
    return reports;
  });
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(link.Command(ShortHeader(64, kOpReadStatusP)));
    link.sim.InjectFrameFault(SimFrameFault::AllFF, 1);
    link.sim.SetLayout(i % 2 ? SimLayout::Single16 : SimLayout::Double8Plain);
  }
  // Wait for what is checked below: every status reply and some frames read
  // (the 201 host writes are observed too).
  ASSERT_TRUE(
      Eventually([&] { return link.sim.FramesDelivered() > 200 && observed.load() > 201 + 400; }));
  link.sim.Unplug();
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  const int reports = reader.get();
  EXPECT_GT(reports, 400);  // every status and some frames
  EXPECT_EQ(observed.load(), 201 + reports);
  EXPECT_EQ(link.sim.Reports().size(), size_t(201 + reports));
}

TEST(SimRecord, RecordsEveryReportAndTellsTheObserverInOrder) {
  SimConfig c = Fast();
  c.recordLimit = 3;
  SimLink link(c);
  std::mutex m;
  std::vector<SimReport> seen;
  link.sim.SetReportObserver([&](const SimReport& r) {
    link.sim.IsStreaming();  // the adapter's lock is not held here
    std::lock_guard lock(m);
    seen.push_back(r);
  });
  ASSERT_TRUE(link.Start());
  ASSERT_EQ(link.Frame().size(), 64u);
  ASSERT_TRUE(link.Command(ShortHeader(64, kOpReadStatusP)));
  ASSERT_EQ(link.Read(64).size(), 64u);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_TRUE(seen[0].toAdapter);
  EXPECT_EQ(seen[0].channel, SimChannel::Command);
  EXPECT_FALSE(seen[1].toAdapter);
  EXPECT_EQ(seen[1].channel, SimChannel::Data);
  const auto kept = link.sim.Reports();
  ASSERT_EQ(kept.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(kept[i].bytes, seen[i + 1].bytes);
  }
  link.sim.ClearReports();
  EXPECT_TRUE(link.sim.Reports().empty());
}

}  // namespace
}  // namespace padscope::simtest
