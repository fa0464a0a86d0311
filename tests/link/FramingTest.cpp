// How payloads are cut into reports and put back together, and what happens
// when a transfer breaks off or a collection reports useless lengths.
#include <gtest/gtest.h>

#include <numeric>

#include "common/SimFixture.h"
#include "link/Opcodes.h"

namespace padscope {
namespace {

using test::Report;
using test::SimAdapter;
using Bytes = std::vector<uint8_t>;

SimConfig WithLengths(int input, int output, SimModel model = SimModel::Corvex) {
  SimConfig c = SimAdapter::FastConfig(model);
  c.inputReportLength = input;
  c.outputReportLength = output;
  return c;
}

size_t DeliveredDataReports(const SimulatedAdapter& sim) {
  size_t n = 0;
  for (const SimReport& r : sim.Reports()) {
    n += (!r.toAdapter && r.channel == SimChannel::Data) ? 1 : 0;
  }
  return n;
}

TEST(Framing, StreamPayloadTakesOneReportOf65AndEightOf9) {
  for (const auto& [length, expected] : {std::pair{65, 1u}, std::pair{9, 8u}}) {
    SimAdapter s(WithLengths(length, length));
    ASSERT_TRUE(s.adapter.Connect());
    ASSERT_TRUE(s.adapter.StartStream());
    ASSERT_TRUE(s.sim->IsStreaming()) << "a 64-byte header split over reports of " << length;
    s.sim->ClearReports();
    Bytes payload(64, 0xEE);
    ASSERT_TRUE(s.adapter.ReadStream(payload.data(), 64));
    EXPECT_EQ(DeliveredDataReports(*s.sim), expected) << length;
    EXPECT_EQ(payload[2], 0x10) << "the channel byte of a single-byte frame";
  }
}

TEST(Framing, ReadOfNineByteReportsReassemblesTheStatus) {
  SimConfig c = WithLengths(9, 9);
  c.flashSizeCode = 0x80;
  SimAdapter s(c);
  ASSERT_TRUE(s.adapter.Connect());
  Bytes status(64, 0xEE);
  ASSERT_TRUE(s.adapter.ReadStatus(status.data(), 64));
  EXPECT_EQ(status[kStatusSizeCodeByte], 0x80);
  EXPECT_EQ(status[kStatusBusyByte], 0);
}

TEST(Framing, EightBytesGoOutAsOnePaddedReport) {
  SimAdapter s(WithLengths(65, 65));
  ASSERT_TRUE(s.adapter.Connect());
  s.sim->ClearReports();
  const Bytes header = {0x55, 0x53, 0x42, 0x43, 0, 0, 0, 0xF2};
  int sent = -1;
  ASSERT_TRUE(s.adapter.WriteReports(s.adapter.commandInterface, header.data(), 8, sent));
  EXPECT_EQ(sent, 64);
  const auto written = s.Written(SimChannel::Command);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], Report(header));
  EXPECT_EQ(written[0].size(), 65u);
}

TEST(Framing, ZeroLengthTransfersSucceedWithoutTraffic) {
  SimAdapter s;
  ASSERT_TRUE(s.adapter.Connect());
  s.sim->ClearReports();
  Bytes buffer(8, 0xAB);
  int n = -1;
  EXPECT_TRUE(s.adapter.WriteReports(s.adapter.dataInterface, buffer.data(), 0, n));
  EXPECT_EQ(n, 0);
  EXPECT_TRUE(s.adapter.ReadReports(s.adapter.dataInterface, buffer.data(), 0, n));
  EXPECT_EQ(n, 0);
  EXPECT_TRUE(s.sim->Reports().empty());
  EXPECT_EQ(buffer, Bytes(8, 0xAB));
}

TEST(Framing, ReadNeverWritesPastTheRequestedLength) {
  SimAdapter s(WithLengths(9, 9));
  ASSERT_TRUE(s.adapter.Connect());
  Bytes buffer(20, 0xCC);
  ASSERT_TRUE(s.adapter.ReadStatus(buffer.data(), 10));  // 2 reports of 8 bytes, 6 dropped
  EXPECT_EQ(Bytes(buffer.begin() + 10, buffer.end()), Bytes(10, 0xCC));
}

TEST(Framing, TransferBrokenOffPartWayFails) {
  SimAdapter s;
  ASSERT_TRUE(s.adapter.Connect());
  s.sim->ClearReports();
  s.sim->FailTransfersAfter(2);  // the header and one data report
  Bytes data(300, 1);
  EXPECT_FALSE(s.adapter.WriteData(data.data(), 300));
  EXPECT_EQ(s.sim->Reports().size(), 2u);

  s.sim->ClearTransferFault();
  s.sim->FailTransfersAfter(1);  // the header only: the read phase fails
  Bytes status(64);
  EXPECT_FALSE(s.adapter.ReadStatus(status.data(), 64));
}

TEST(Framing, ShortWriteFails) {
  SimAdapter s;
  ASSERT_TRUE(s.adapter.Connect());
  s.sim->InjectShortWrites(1);
  EXPECT_FALSE(s.adapter.StopStreamP());
  EXPECT_TRUE(s.adapter.StopStreamP());
}

TEST(Framing, UselessReportLengthsFailInsteadOfHanging) {
  for (int length : {0, 1}) {
    SimAdapter s(WithLengths(length, length));
    ASSERT_TRUE(s.adapter.Connect()) << length;
    Bytes buffer(64);
    EXPECT_FALSE(s.adapter.StartStream()) << length;
    EXPECT_FALSE(s.adapter.ReadStream(buffer.data(), 64)) << length;
    EXPECT_FALSE(s.adapter.ReadStatus(buffer.data(), 64)) << length;
    int n = 0;
    EXPECT_FALSE(s.adapter.WriteReports(s.adapter.dataInterface, buffer.data(), 64, n));
    EXPECT_FALSE(s.adapter.ReadReports(s.adapter.dataInterface, buffer.data(), 64, n));
  }
}

TEST(Framing, OnlyInputLengthUselessStillWrites) {
  SimAdapter s(WithLengths(1, 65));
  ASSERT_TRUE(s.adapter.Connect());
  EXPECT_TRUE(s.adapter.StartStream());
  Bytes buffer(64);
  EXPECT_FALSE(s.adapter.ReadStream(buffer.data(), 64));
}

TEST(Framing, StreamReadsFailWhenNothingIsStreamed) {
  SimAdapter s;
  ASSERT_TRUE(s.adapter.Connect());
  Bytes buffer(64);
  EXPECT_FALSE(s.adapter.ReadStream(buffer.data(), 64));
}

}  // namespace
}  // namespace padscope
