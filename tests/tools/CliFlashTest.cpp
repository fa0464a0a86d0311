// padscope-cli's flash commands against a simulated adapter.
#include <gtest/gtest.h>

#include <sstream>

#include "common/Files.h"
#include "common/SimFixture.h"
#include "flash/FlashOperations.h"
#include "platform/ProgramFolders.h"
#include "tools/CliRun.h"

namespace padscope {
namespace {

using test::CliRun;

class CliFlash : public ::testing::Test {
 protected:
  CliRun Run(std::vector<std::string> args) { return test::RunCliCaptured(args, sim); }
  void Make(SimModel model, uint8_t sizeCode) {
    SimConfig c = test::FastSimConfig(model);
    c.flashSizeCode = sizeCode;
    sim = std::make_shared<SimulatedAdapter>(c);
  }

  std::shared_ptr<SimulatedAdapter> sim = std::make_shared<SimulatedAdapter>(test::FastSimConfig());
};

TEST_F(CliFlash, InfoForKnownAndUnknownSizeCodes) {
  Make(SimModel::Corvex, 0x80);
  CliRun r = Run({"flash", "info"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "busy            0\nsize code       0x80\nframe limit     131072\n"
            "erase estimate  80 s\n");
  Make(SimModel::Pelmira, 0x21);
  r = Run({"flash", "info"});
  EXPECT_EQ(r.out,
            "busy            0\nsize code       0x21 (unknown: defaults apply)\n"
            "frame limit     65536\nerase estimate  80 s\n");
}

TEST_F(CliFlash, LoadWritesTheRecordingAsAChart) {
  sim->RecordFramesToFlash(500);
  const auto chart = StateDirectory() / "flash.tkchart";
  const CliRun r = Run({"flash", "load", "-o", chart.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "500 Loaded.\nFile list: <  " + chart.string() + "  > \n");
  test::Bytes expected = sim->Flash();
  expected.resize(500 * 64);
  expected.insert(expected.end(), 64, 0xFF);
  EXPECT_EQ(test::ReadAll(chart), expected);
}

TEST_F(CliFlash, EraseThenWriteAndVerify) {
  sim->RecordFramesToFlash(200);
  const auto chart = StateDirectory() / "back.tkchart";
  ASSERT_EQ(Run({"flash", "load", "-o", chart.string()}).status, 0);

  CliRun r = Run({"flash", "erase"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Erasing Done.\n");
  EXPECT_EQ(sim->Flash(), test::Bytes(sim->FlashSize(), 0xFF));

  r = Run({"flash", "write", chart.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Write time: 0 s, Read time: 0 s, Verify success.\n");
  EXPECT_NE(r.err.find("Write Flash success."), std::string::npos);
  test::Bytes image = test::ReadAll(chart);
  image.resize(image.size() - 64);
  const test::Bytes flash = sim->Flash();
  EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));

  sim->InjectFlashProgramFault(64 * 150 + 7);
  r = Run({"flash", "write", chart.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Verify failed !\n");
}

TEST_F(CliFlash, BadImagesAndUsage) {
  const auto tiny = StateDirectory() / "tiny.bin";
  test::WriteAll(tiny, test::Bytes(10, 1));
  CliRun r = Run({"flash", "write", tiny.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kMsgImageTooShort), std::string::npos);
  r = Run({"flash", "write", (StateDirectory() / "none.bin").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("File open failed."), std::string::npos);
  EXPECT_EQ(Run({"flash", "load"}).status, 2);
  sim->Unplug();
  r = Run({"flash", "erase"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "NO device.\n");
}

}  // namespace
}  // namespace padscope
