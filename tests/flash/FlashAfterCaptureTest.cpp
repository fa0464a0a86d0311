// The flash page right after a live capture at a real frame rate: the frames
// the adapter sent while nobody read are still queued, and none of them may
// be taken for a status reply, flash data or a read-back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "capture/CaptureContext.h"
#include "capture/CaptureControl.h"
#include "common/Files.h"
#include "common/SimFixture.h"
#include "common/TestCaptureHost.h"
#include "common/Wait.h"
#include "flash/FlashOperations.h"
#include "flash/FlashTestHost.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "state/GlobalSettings.h"

namespace padscope {
namespace {

using test::Bytes;

class FlashAfterCapture : public ::testing::TestWithParam<SimModel> {
 protected:
  void SetUp() override {
    SetPrompt(prompt);
    GlobalSettings::ResetInstanceForTest();
    GlobalSettings::Instance().bufferFrames = 4096;
    GlobalSettings::Instance().samplingTimes = 1;
    GlobalSettings::Instance().samplingElapseTenths = 100;  // a read every 10 ms
    SimConfig c = test::FastSimConfig(GetParam());
    c.framesPerSecond = 1000;
    c.dumpFramesPerSecond = 20000;
    c.eraseMs = 100;
    c.recordReports = false;
    s = std::make_unique<test::SimAdapter>(c);
    ctx.cycleSleepMs = 0;
  }
  void TearDown() override { GlobalSettings::ResetInstanceForTest(); }

  // A live capture read more slowly than the adapter sends, then stopped.
  void CaptureAndStop() {
    ASSERT_TRUE(StartCapture(ctx, s->adapter, captureHost));
    ASSERT_TRUE(test::WaitFor([&] { return s->sim->FramesDropped() > 0; }));
    StopCapture(ctx, s->adapter, captureHost);
    ASSERT_GT(s->sim->QueuedReports(), 0u);
  }
  FlashTargets Targets() { return FlashTargets{s->adapter, ctx, 4096, present, clock}; }

  std::unique_ptr<test::SimAdapter> s;
  CaptureContext ctx;
  test::TestCaptureHost captureHost;
  std::atomic<bool> present{true};
  test::FastClock clock;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  test::RecordingFlashHost host{ctx};
};

TEST_P(FlashAfterCapture, EraseWaitsUntilTheAdapterIsIdle) {
  s->sim->RecordFramesToFlash(100);
  CaptureAndStop();
  EXPECT_EQ(RunFlashErase(Targets(), host), EraseEnd::Idle);
  EXPECT_FALSE(s->sim->IsBusy()) << "a queued frame was taken for the idle status";
  EXPECT_EQ(s->sim->Flash(), Bytes(s->sim->FlashSize(), 0xFF));
}

TEST_P(FlashAfterCapture, WriteFlashWritesAndVerifiesTheImage) {
  s->sim->RecordFramesToFlash(64);
  Bytes image = s->sim->Flash();
  image.resize(64 * 64);
  Bytes file = image;
  file.insert(file.end(), 64, 0xFF);
  const auto path = StateDirectory() / "image.tkchart";
  test::WriteAll(path, file);
  s->sim->SetFlash(0, Bytes(64 * 64, 0x00));
  CaptureAndStop();
  EXPECT_EQ(WriteFlashImage(Targets(), host, path), WriteEnd::Success) << host.LastStatus();
  EXPECT_EQ(s->sim->BytesDroppedWhileBusy(), 0u);
  const Bytes flash = s->sim->Flash();
  EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 64 * 64), image);
}

TEST_P(FlashAfterCapture, LoadHoldsOnlyTheRecording) {
  s->sim->RecordFramesToFlash(50);
  CaptureAndStop();
  const LoadResult r = RunFlashLoad(Targets(), host);
  EXPECT_EQ(r.end, LoadEnd::BlankFlash);
  ASSERT_EQ(r.frames, 50);
  const Bytes flash = s->sim->Flash();
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(std::memcmp(ctx.FrameAt(i)->raw, flash.data() + 64 * i, 64), 0) << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(BothModels, FlashAfterCapture,
                         ::testing::Values(SimModel::Pelmira, SimModel::Corvex),
                         [](const auto& info) {
                           return info.param == SimModel::Corvex ? "Corvex" : "Pelmira";
                         });

}  // namespace
}  // namespace padscope
