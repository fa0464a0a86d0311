// The command headers each flash operation puts on the wire, in order, for
// both adapter models.
#include <gtest/gtest.h>

#include "capture/CaptureContext.h"
#include "common/Files.h"
#include "common/SimFixture.h"
#include "flash/FlashOperations.h"
#include "flash/FlashTestHost.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"

namespace padscope {
namespace {

using test::Report;
using test::SimAdapter;
using Bytes = std::vector<uint8_t>;

Bytes Long(uint32_t b, uint8_t opcode) {
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
  return Report(h);
}

Bytes Short(uint32_t argument, uint8_t opcode) {
  return Report({0x55, 0x53, 0x42, 0x43, uint8_t(argument >> 16), uint8_t(argument >> 8),
                 uint8_t(argument), opcode});
}

// A block header: the block count where the short header has its argument,
// sent as a 64-byte header.
Bytes Block(uint32_t blocks, uint8_t opcode) {
  Bytes h = {0x55,  0x53, 0x42, 0x43, uint8_t(blocks >> 16), uint8_t(blocks >> 8), uint8_t(blocks),
             opcode};
  h.resize(64, 0);
  return Report(h);
}

class FlashWire : public ::testing::Test {
 protected:
  void Open(SimModel model) {
    s = std::make_unique<SimAdapter>(test::FastSimConfig(model));
    SetPrompt(std::make_shared<RecordingPrompt>());
    ASSERT_TRUE(s->adapter.Connect());
    s->sim->ClearReports();
  }
  FlashTargets Targets() { return FlashTargets{s->adapter, ctx, 4096, present}; }
  std::vector<Bytes> Sent() { return s->Written(SimChannel::Command); }

  std::unique_ptr<SimAdapter> s;
  CaptureContext ctx;
  std::atomic<bool> present{true};
  test::RecordingFlashHost host{ctx};
};

TEST_F(FlashWire, LoadPelmira) {
  Open(SimModel::Pelmira);
  RunFlashLoad(Targets(), host);
  EXPECT_EQ(Sent(),
            (std::vector<Bytes>{Short(64, 0xF1), Short(64, 0xF1), Short(0, 0xFC), Short(0, 0xFE)}));
}

TEST_F(FlashWire, LoadCorvex) {
  Open(SimModel::Corvex);
  RunFlashLoad(Targets(), host);
  EXPECT_EQ(Sent(),
            (std::vector<Bytes>{Long(64, 0xD7), Long(64, 0xD7), Long(0, 0xD4), Long(0, 0xD6)}));
}

TEST_F(FlashWire, ErasePelmiraAndCorvex) {
  Open(SimModel::Pelmira);
  RunFlashErase(Targets(), host);
  EXPECT_EQ(Sent(), (std::vector<Bytes>{Short(0, 0xFD), Short(64, 0xF1), Short(64, 0xF1)}));
  Open(SimModel::Corvex);
  RunFlashErase(Targets(), host);
  EXPECT_EQ(Sent(), (std::vector<Bytes>{Long(0, 0xE4), Long(64, 0xD7), Long(64, 0xD7)}));
}

TEST_F(FlashWire, WritePelmiraAndCorvex) {
  const auto path = StateDirectory() / "ten.tkchart";
  Bytes chart(11 * 64, 0x5A);
  std::fill(chart.end() - 64, chart.end(), 0xFF);
  test::WriteAll(path, chart);

  Open(SimModel::Pelmira);
  EXPECT_EQ(WriteFlashImage(Targets(), host, path), WriteEnd::Success);
  // The flash's size is asked for before the erase: the image must fit it.
  EXPECT_EQ(Sent(), (std::vector<Bytes>{Short(64, 0xF1), Short(0, 0xFD), Short(64, 0xF1),
                                        Short(64, 0xF1), Block(10, 0xF4), Block(10, 0xF5)}));
  Open(SimModel::Corvex);
  EXPECT_EQ(WriteFlashImage(Targets(), host, path), WriteEnd::Success);
  EXPECT_EQ(Sent(), (std::vector<Bytes>{Long(64, 0xD7), Long(0, 0xE4), Long(64, 0xD7),
                                        Long(64, 0xD7), Long(640, 0xD2), Long(640, 0xD3)}));
}

}  // namespace
}  // namespace padscope
