// The three command data buffers and the logged send around them.
#include <gtest/gtest.h>

#include "common/MessageLogRecorder.h"
#include "common/SimFixture.h"
#include "link/Opcodes.h"
#include "link/SendBuffers.h"
#include "platform/MessageLog.h"

namespace padscope {
namespace {

using test::SimAdapter;

class SendBuffersTest : public ::testing::Test {
 protected:
  test::MessageLogRecorder recorder;
  SendBuffers buffers;
};

TEST_F(SendBuffersTest, SetAndClearTouchOnlyTheirBuffer) {
  SetSendByte(buffers, 0, 4, 0x1FF);
  SetSendByte(buffers, 2, 255, 7);
  EXPECT_EQ(buffers.bytes[0][4], 0xFF) << "low 8 bits";
  EXPECT_EQ(buffers.bytes[2][255], 7);
  ClearSendBuffer(buffers, 0);
  EXPECT_EQ(buffers.bytes[0][4], 0);
  EXPECT_EQ(buffers.bytes[2][255], 7);
  EXPECT_TRUE(recorder.Lines().empty());
}

TEST_F(SendBuffersTest, BadIndexOrOffsetChangesNothing) {
  SetSendByte(buffers, 1, 0, 9);
  const SendBuffers before = buffers;
  SetSendByte(buffers, 3, 0, 1);
  SetSendByte(buffers, -1, 0, 1);
  ClearSendBuffer(buffers, 3);
  SetSendByte(buffers, 0, 256, 1);
  SetSendByte(buffers, 0, -1, 1);
  EXPECT_EQ(buffers.bytes, before.bytes);
  EXPECT_EQ(recorder.Take(),
            (std::vector<std::string>{"set buf index overflow.", "set buf index overflow.",
                                      "set buf index overflow.", "set buf offset overflow.",
                                      "set buf offset overflow."}));
}

TEST_F(SendBuffersTest, SendConnectsFirstAndSendsSixtyFourBytes) {
  SimAdapter s;
  SetSendByte(buffers, kThresholdBuffer, 0, 5);
  SetSendByte(buffers, kThresholdBuffer, 1, 90);
  SetSendByte(buffers, kThresholdBuffer, 64, 0xAA);  // beyond what is sent
  ASSERT_TRUE(SendBuffer(&s.adapter, buffers, kOpSendThreshold, kThresholdBuffer));
  EXPECT_EQ(recorder.Take(),
            (std::vector<std::string>{"\tfunction call:[usbSend]:", "no found device:",
                                      "found device:", "try to send 2 USB:"}));
  EXPECT_EQ(s.sim->Thresholds()[5], 90);
  const auto data = s.Written(SimChannel::Data);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0].size(), 65u);
  EXPECT_EQ(data[0][1], 5);
  EXPECT_EQ(data[0][2], 90);
  EXPECT_EQ(data[0][64], 0);
}

TEST_F(SendBuffersTest, ParametersReachTheChip) {
  SimAdapter s;
  ASSERT_TRUE(s.adapter.Connect());
  const int values[] = {3, 20, 2, 6, 1};
  for (int k = 0; k < 5; ++k) {
    SetSendByte(buffers, kParameterBuffer, k, values[k]);
  }
  ASSERT_TRUE(SendBuffer(&s.adapter, buffers, kOpSendParameters, kParameterBuffer));
  EXPECT_EQ(recorder.Take(),
            (std::vector<std::string>{"\tfunction call:[usbSend]:", "try to send 2 USB:"}));
  const SimParameters p = s.sim->Parameters();
  EXPECT_TRUE(p.received);
  EXPECT_EQ(p.chTimer, 3);
  EXPECT_EQ(p.times, 20);
  EXPECT_EQ(p.maxHoldKeyTime, 2);
  EXPECT_EQ(p.debounceOrThreshold, 6);
  EXPECT_EQ(p.noComposeKey, 1);
}

TEST_F(SendBuffersTest, NoAdapterFoundIsLoggedAndFails) {
  SimAdapter s;
  s.sim->Unplug();
  EXPECT_FALSE(SendBuffer(&s.adapter, buffers, kOpSendThreshold, kThresholdBuffer));
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"\tfunction call:[usbSend]:",
                                                       "no found device:", "not found device:"}));
  EXPECT_FALSE(SendBuffer(nullptr, buffers, kOpSendThreshold, kThresholdBuffer));
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"\tfunction call:[usbSend]:"}));
}

TEST_F(SendBuffersTest, SendOfBadIndexSendsNothing) {
  SimAdapter s;
  ASSERT_TRUE(s.adapter.Connect());
  s.sim->ClearReports();
  EXPECT_FALSE(SendBuffer(&s.adapter, buffers, kOpSendThreshold, 3));
  EXPECT_TRUE(s.sim->Reports().empty());
  EXPECT_EQ(recorder.Lines().back(), "set buf index overflow.");
}

}  // namespace
}  // namespace padscope
