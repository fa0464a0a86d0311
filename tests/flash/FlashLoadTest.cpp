// Loading the adapter's flash recording into the capture buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "capture/CaptureContext.h"
#include "common/Files.h"
#include "common/SimFixture.h"
#include "flash/FlashGeometry.h"
#include "flash/FlashLoader.h"
#include "flash/FlashOperations.h"
#include "flash/FlashTestHost.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"

namespace padscope {
namespace {

using test::RecordingFlashHost;
using test::SimAdapter;

SimConfig Config(SimModel model, uint8_t sizeCode) {
  SimConfig c = test::FastSimConfig(model);
  c.flashSizeCode = sizeCode;
  c.recordReports = false;
  return c;
}

class FlashLoad : public ::testing::TestWithParam<SimModel> {
 protected:
  void SetUp() override { SetPrompt(prompt); }
  void MakeSim(uint8_t sizeCode) { s = std::make_unique<SimAdapter>(Config(GetParam(), sizeCode)); }
  FlashTargets Targets(int bufferFrames = 200000) {
    return FlashTargets{s->adapter, ctx, bufferFrames, present};
  }
  // Frame i of the buffer holds the flash's bytes 64i .. 64i + 63.
  void ExpectFramesMatchFlash(int frames) {
    const std::vector<uint8_t> flash = s->sim->Flash();
    for (int i = 0; i < frames; ++i) {
      ASSERT_EQ(std::memcmp(ctx.FrameAt(i)->raw, flash.data() + 64 * i, 64), 0) << "frame " << i;
    }
  }

  std::unique_ptr<SimAdapter> s;
  CaptureContext ctx;
  std::atomic<bool> present{true};
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  RecordingFlashHost host{ctx};
};

TEST_P(FlashLoad, BlankFlashEndsAtThe1002ndBlankFrame) {
  MakeSim(0x40);
  host.chartPath = StateDirectory() / "blank.tkchart";
  const LoadResult r = RunFlashLoad(Targets(), host);
  EXPECT_EQ(r.end, LoadEnd::BlankFlash);
  EXPECT_EQ(r.frames, 0);
  EXPECT_EQ(s->sim->FramesDelivered(), 1002u);
  EXPECT_TRUE(host.SawStatus("0 Loaded."));
  EXPECT_EQ(host.LastStatus(), "File list: <  blank.tkchart  > ");
  EXPECT_EQ(ctx.runState, kRunStopped);
  EXPECT_EQ(lastFrameLayout, 3);
  EXPECT_EQ(host.progress, 0x400000);
  EXPECT_EQ(host.buttonStates, (std::vector<bool>{false, true}));
  EXPECT_EQ(test::ReadAll(host.chartPath), test::Bytes(64, 0xFF)) << "only the end record";
  EXPECT_TRUE(prompt->Texts().empty());
}

TEST_P(FlashLoad, FullFlashStopsAtTheSizeCodeLimit) {
  MakeSim(0x20);
  s->sim->RecordFramesToFlash(0x8000);
  const LoadResult r = RunFlashLoad(Targets(), host);
  EXPECT_EQ(r.end, LoadEnd::FrameLimit);
  EXPECT_EQ(r.frames, 0x8000);
  EXPECT_EQ(s->sim->FramesDelivered(), 0x8000u) << "not one read past the limit";
  EXPECT_TRUE(host.SawStatus("32768 Loaded."));
  ExpectFramesMatchFlash(0x8000);
  EXPECT_FALSE(r.chartName) << "the save was cancelled";
}

TEST_P(FlashLoad, UnknownSizeCodeLoadsAt65536Frames) {
  MakeSim(0x33);
  s->sim->RecordFramesToFlash(0x10000);  // an unknown code's flash is 4 MiB: all of it recorded
  const LoadResult r = RunFlashLoad(Targets(), host);
  EXPECT_EQ(r.end, LoadEnd::FrameLimit);
  EXPECT_EQ(r.frames, 0x10000);
}

TEST_P(FlashLoad, BlankFramesAreSkippedNotStoredAndCountedOverall) {
  MakeSim(0x40);
  s->sim->RecordFramesToFlash(10);
  // Blank gaps inside the recording: the counter is never reset, so 500 + 502
  // blank frames end the load even with recorded frames between them.
  const std::vector<uint8_t> gap(500 * 64, 0xFF);
  s->sim->SetFlash(3 * 64, gap);
  std::vector<uint8_t> frame(64, 0x11);
  s->sim->SetFlash(503 * 64, frame);
  const LoadResult r = RunFlashLoad(Targets(), host);
  EXPECT_EQ(r.end, LoadEnd::BlankFlash);
  EXPECT_EQ(r.frames, 4);
  EXPECT_EQ(ctx.FrameAt(3)->raw[0], 0x11);
  EXPECT_EQ(s->sim->FramesDelivered(), 4u + 1002u);
}

TEST_P(FlashLoad, StopsAtTheEndOfTheFrameBuffer) {
  MakeSim(0x40);
  s->sim->RecordFramesToFlash(3000);
  const LoadResult r = RunFlashLoad(Targets(2048), host);
  EXPECT_EQ(r.end, LoadEnd::BufferFull);
  EXPECT_EQ(r.frames, 2048);
  EXPECT_EQ(ctx.frameCapacity, 2048);
  ExpectFramesMatchFlash(2048);
  // The page says that the recording was cut, not only how much was loaded.
  EXPECT_TRUE(host.SawStatus(std::string("2048 Loaded. ") + kMsgLoadBufferFull));
  EXPECT_EQ(host.logLines.back(), kMsgLoadBufferFull);
  EXPECT_EQ(ctx.runState, kRunStopped);
}

TEST_P(FlashLoad, AdapterGoneMidLoadStopsWithoutStaleFrames) {
  MakeSim(0x40);
  s->sim->RecordFramesToFlash(5000);
  ASSERT_TRUE(s->adapter.Connect());
  s->sim->FailTransfersAfter(400);
  const LoadResult r = RunFlashLoad(Targets(), host);
  EXPECT_EQ(r.end, LoadEnd::ReadFailed);
  EXPECT_GT(r.frames, 300);
  EXPECT_LT(r.frames, 400);
  ExpectFramesMatchFlash(r.frames);
  EXPECT_EQ(ctx.runState, kRunStopped);
  EXPECT_EQ(host.buttonStates.back(), true);
}

TEST_P(FlashLoad, RefusedWhileCaptureRunsOrWithoutAdapter) {
  MakeSim(0x40);
  ctx.runState = kRunRunning;
  EXPECT_EQ(RunFlashLoad(Targets(), host).end, LoadEnd::None);
  ctx.runState = kRunStopped;
  s->sim->Unplug();
  EXPECT_EQ(RunFlashLoad(Targets(), host).end, LoadEnd::None);
  EXPECT_EQ(prompt->Texts(),
            (std::vector<std::string>{"Please stop main capture thread first.", "NO device."}));
  EXPECT_TRUE(host.statuses.empty());
  EXPECT_TRUE(host.buttonStates.empty());
}

TEST_P(FlashLoad, NoBufferAndNoneToBeHad) {
  MakeSim(0x40);
  EXPECT_EQ(RunFlashLoad(Targets(0), host).end, LoadEnd::None);
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"Memory allocate failed."}));
  EXPECT_EQ(host.buttonStates, (std::vector<bool>{false, true}));
  EXPECT_EQ(ctx.runState, kRunStopped);
}

TEST_P(FlashLoad, LogGetsOneLinePerRoundThatBroughtFrames) {
  MakeSim(0x40);
  s->sim->RecordFramesToFlash(20000);
  RunFlashLoad(Targets(), host);
  ASSERT_FALSE(host.logLines.empty());
  EXPECT_EQ(host.logLines.front().rfind("loading data frame: ", 0), 0u);
  // Never the same count twice in a row, and never more lines than rounds.
  EXPECT_EQ(std::adjacent_find(host.logLines.begin(), host.logLines.end()), host.logLines.end());
  EXPECT_LE(static_cast<int>(host.logLines.size()), host.dispatches);
}

INSTANTIATE_TEST_SUITE_P(BothModels, FlashLoad,
                         ::testing::Values(SimModel::Pelmira, SimModel::Corvex));

TEST(FlashGeometryTable, SizeCodes) {
  EXPECT_EQ(GeometryForSizeCode(0x20).frameLimit, 0x8000);
  EXPECT_EQ(GeometryForSizeCode(0x20).eraseSeconds, 20);
  EXPECT_EQ(GeometryForSizeCode(0x40).frameLimit, 0x10000);
  EXPECT_EQ(GeometryForSizeCode(0x40).eraseSeconds, 40);
  EXPECT_EQ(GeometryForSizeCode(0x80).frameLimit, 0x20000);
  EXPECT_EQ(GeometryForSizeCode(0x80).eraseSeconds, 80);
  for (uint8_t odd : {0x00, 0x10, 0x33, 0xFF}) {
    EXPECT_EQ(GeometryForSizeCode(odd).frameLimit, 0x10000);
    EXPECT_EQ(GeometryForSizeCode(odd).eraseSeconds, 80);
    EXPECT_FALSE(GeometryForSizeCode(odd).known);
  }
  FlashInfo failed;  // no reply: the fallback row even if the bytes say 0x20
  failed.reply[1] = 0x20;
  EXPECT_EQ(failed.Geometry().frameLimit, 0x10000);
  EXPECT_EQ(failed.Geometry().eraseSeconds, 80);
}

}  // namespace
}  // namespace padscope
