// Erasing the adapter's flash, and writing a chart back with read-back and verify.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <new>

#include "capture/CaptureContext.h"
#include "common/Files.h"
#include "common/SimFixture.h"
#include "flash/FlashOperations.h"
#include "flash/FlashTestHost.h"
#include "link/Opcodes.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"

namespace padscope {
namespace {

using test::Bytes;
using test::RecordingFlashHost;
using test::SimAdapter;
using test::SteppingClock;

class FlashErase : public ::testing::TestWithParam<SimModel> {
 protected:
  void SetUp() override { SetPrompt(prompt); }
  void MakeSim(uint8_t sizeCode, int eraseMs) {
    SimConfig c = test::FastSimConfig(GetParam());
    c.flashSizeCode = sizeCode;
    c.eraseMs = eraseMs;
    s = std::make_unique<SimAdapter>(c);
  }
  FlashTargets Targets() { return FlashTargets{s->adapter, ctx, 4096, present, clock}; }

  std::unique_ptr<SimAdapter> s;
  CaptureContext ctx;
  std::atomic<bool> present{false};
  SteppingClock clock;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  RecordingFlashHost host{ctx};
};

TEST_P(FlashErase, IdleAtOnceTakesOneRound) {
  MakeSim(0x40, 0);
  s->sim->RecordFramesToFlash(100);
  EXPECT_EQ(RunFlashErase(Targets(), host), EraseEnd::Idle);
  EXPECT_EQ(host.statuses, (std::vector<std::string>{"Erasing Done."}));
  EXPECT_EQ(clock.sleeps, 0);
  EXPECT_EQ(host.progressRanges, (std::vector<int>{40}));
  EXPECT_FALSE(host.progressShown);
  EXPECT_EQ(host.buttonStates, (std::vector<bool>{false, true}));
  EXPECT_TRUE(present) << "a connected adapter counts as present";
  EXPECT_EQ(s->sim->Flash(), Bytes(s->sim->FlashSize(), 0xFF));
}

TEST_P(FlashErase, OutlastingTheEstimateEndsWithDone) {
  MakeSim(0x20, 600000);
  EXPECT_EQ(RunFlashErase(Targets(), host), EraseEnd::Estimate);
  EXPECT_EQ(host.LastStatus(), "Erasing Done.");
  EXPECT_EQ(clock.sleeps, 40) << "20 s in rounds of 500 ms, over the clock's wrap";
  EXPECT_EQ(host.statuses.front(), "Erasing 0.0%");
  EXPECT_TRUE(host.SawStatus("Erasing 95.0%"));
  EXPECT_EQ(host.progress, 20);
  EXPECT_EQ(host.dispatches, 40);
  EXPECT_TRUE(s->sim->IsBusy());
}

// The adapter goes idle part-way through the wait, between two questions.
TEST_P(FlashErase, IdlePartWayEndsTheWait) {
  MakeSim(0x20, 100);  // 20 s estimate: 0.2 s on the fast clock
  s->sim->RecordFramesToFlash(100);
  test::FastClock fast;
  const FlashTargets t{s->adapter, ctx, 4096, present, fast};
  EXPECT_EQ(RunFlashErase(t, host), EraseEnd::Idle);
  EXPECT_GT(fast.sleeps, 1);
  EXPECT_FALSE(s->sim->IsBusy());
  EXPECT_EQ(s->sim->Flash(), Bytes(s->sim->FlashSize(), 0xFF));
  EXPECT_EQ(host.LastStatus(), "Erasing Done.");
}

TEST_P(FlashErase, UnknownSizeCodeWaitsEightySeconds) {
  MakeSim(0x33, 600000);
  EXPECT_EQ(RunFlashErase(Targets(), host), EraseEnd::Estimate);
  EXPECT_EQ(host.progressRanges, (std::vector<int>{80}));
  EXPECT_EQ(clock.sleeps, 160);
}

TEST_P(FlashErase, RemovalEndsTheWaitWithAnError) {
  MakeSim(0x40, 600000);
  clock.onSleep = [this] {
    if (clock.sleeps == 3) {
      s->sim->Unplug();
      present = false;  // as the device watcher does
    }
  };
  EXPECT_EQ(RunFlashErase(Targets(), host), EraseEnd::Removed);
  EXPECT_EQ(host.LastStatus(), "Erase error:Device Remove !");
  EXPECT_EQ(clock.sleeps, 3);
  EXPECT_EQ(host.buttonStates.back(), true);
}

TEST_P(FlashErase, NoDeviceClearsPresence) {
  MakeSim(0x40, 0);
  present = true;
  s->sim->Unplug();
  EXPECT_EQ(RunFlashErase(Targets(), host), EraseEnd::None);
  EXPECT_FALSE(present);
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"NO device."}));
}

INSTANTIATE_TEST_SUITE_P(BothModels, FlashErase,
                         ::testing::Values(SimModel::Pelmira, SimModel::Corvex));

class FlashWrite : public FlashErase {
 protected:
  // A chart file of `frames` recorded frames and its end record.
  std::filesystem::path Chart(int frames) {
    s->sim->RecordFramesToFlash(frames);
    Bytes bytes = s->sim->Flash();
    bytes.resize(static_cast<size_t>(frames) * 64);
    bytes.insert(bytes.end(), 64, 0xFF);
    const auto path = StateDirectory() / "image.tkchart";
    test::WriteAll(path, bytes);
    return path;
  }
  // The flash, then, is scrambled so that only a real write restores it.
  void Scramble() { s->sim->SetFlash(0, Bytes(64 * 64, 0x00)); }
};

TEST_P(FlashWrite, WriteReadBackVerifySuccess) {
  MakeSim(0x40, 0);
  ASSERT_TRUE(FlashPrecondition(Targets(), host));  // as the button does before the worker
  const auto path = Chart(640);
  Bytes image = test::ReadAll(path);
  image.resize(image.size() - 64);
  Scramble();
  EXPECT_EQ(WriteFlashImage(Targets(), host, path), WriteEnd::Success);
  const Bytes flash = s->sim->Flash();
  EXPECT_EQ(Bytes(flash.begin(), flash.begin() + image.size()), image);
  EXPECT_EQ(flash[image.size()], 0xFF) << "the end record is not written";
  EXPECT_EQ(host.statuses, (std::vector<std::string>{
                               "Load file: image.tkchart", "Start to Erase..", "Erasing Done.",
                               "Start to write flash...", "Write time: 0 s, Start to read flash...",
                               "Write time: 0 s, Read time: 0 s, Start to Verify...",
                               "Write time: 0 s, Read time: 0 s, Verify success."}));
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"Write Flash success."}));
  EXPECT_EQ(host.buttonStates, (std::vector<bool>{false, true}));
  EXPECT_FALSE(host.progressShown) << "the animation hid the bar when the write was done";
  EXPECT_EQ(host.progressRanges.back(), 1000);
}

// A chip that erases more slowly than the estimate takes in nothing: the
// write waits for it (up to twice the estimate) instead of writing into it.
TEST_P(FlashWrite, WaitsForAnEraseThatOutlastsItsEstimate) {
  MakeSim(0x20, 300);  // 20 s estimate: 0.2 s on the fast clock, twice that 0.4 s
  ASSERT_TRUE(FlashPrecondition(Targets(), host));
  const auto path = Chart(64);
  test::FastClock fast;
  const FlashTargets t{s->adapter, ctx, 4096, present, fast};
  EXPECT_EQ(WriteFlashImage(t, host, path), WriteEnd::Success) << host.LastStatus();
  EXPECT_EQ(s->sim->BytesDroppedWhileBusy(), 0u);
  EXPECT_TRUE(std::any_of(host.statuses.begin(), host.statuses.end(), [](const std::string& x) {
    return x.rfind("Erasing takes longer than expected: ", 0) == 0;
  }));
}

TEST_P(FlashWrite, AnEraseThatNeverEndsWritesNothing) {
  MakeSim(0x20, 600000);
  ASSERT_TRUE(FlashPrecondition(Targets(), host));
  const auto path = Chart(64);
  EXPECT_EQ(WriteFlashImage(Targets(), host, path), WriteEnd::StillErasing);
  EXPECT_EQ(clock.sleeps, 80) << "twice the 20 s estimate in rounds of 500 ms";
  EXPECT_EQ(host.LastStatus(), kStatusEraseStillBusy);
  EXPECT_EQ(host.buttonStates.back(), true);
  for (const SimCommand& c : s->sim->Commands()) {
    EXPECT_NE(c.opcode, GetParam() == SimModel::Corvex ? kOpWriteData : kOpWriteBlocks);
  }
}

TEST_P(FlashWrite, VerifyMismatchFromAWeakCell) {
  MakeSim(0x40, 0);
  ASSERT_TRUE(FlashPrecondition(Targets(), host));
  const auto path = Chart(64);
  s->sim->InjectFlashProgramFault(1000);
  EXPECT_EQ(WriteFlashImage(Targets(), host, path), WriteEnd::VerifyFailed);
  EXPECT_EQ(host.LastStatus(), "Verify failed !");
  EXPECT_TRUE(prompt->Texts().empty()) << "a mismatch shows no message box";
  EXPECT_EQ(host.buttonStates.back(), true);
  EXPECT_FALSE(host.progressShown);
}

TEST_P(FlashWrite, ImageFilesThatCannotBeWrittenEraseNothing) {
  MakeSim(0x20, 0);  // 2 MiB of flash
  const auto dir = StateDirectory();
  test::WriteAll(dir / "short.bin", Bytes(40, 0x12));
  test::WriteAll(dir / "end-only.tkchart", Bytes(64, 0xFF));
  std::filesystem::create_directory(dir / "folder.tkchart");
  ASSERT_EQ(::mkfifo((dir / "pipe.tkchart").c_str(), 0600), 0);
  // One frame more than the flash holds, besides the end record.
  test::WriteAll(dir / "large.tkchart", Bytes(64, 0x5A));
  std::filesystem::resize_file(dir / "large.tkchart", (0x8000 + 2) * 64);
  ASSERT_TRUE(s->adapter.Connect());
  s->sim->ClearReports();

  EXPECT_EQ(WriteFlashImage(Targets(), host, dir / "short.bin"), WriteEnd::TooShort);
  EXPECT_EQ(WriteFlashImage(Targets(), host, dir / "end-only.tkchart"), WriteEnd::TooShort);
  EXPECT_EQ(WriteFlashImage(Targets(), host, dir / "missing.bin"), WriteEnd::OpenFailed);
  EXPECT_EQ(WriteFlashImage(Targets(), host, dir / "folder.tkchart"), WriteEnd::NotAFile);
  EXPECT_EQ(WriteFlashImage(Targets(), host, dir / "pipe.tkchart"), WriteEnd::NotAFile);
  EXPECT_EQ(WriteFlashImage(Targets(), host, dir / "large.tkchart"), WriteEnd::TooLarge);
  EXPECT_EQ(prompt->Texts(),
            (std::vector<std::string>{
                kMsgImageTooShort, kMsgImageTooShort, "File open failed.", kMsgImageNotAFile,
                kMsgImageNotAFile,
                "The image (2097216 bytes) is larger than the adapter's flash (2097152 bytes): "
                "nothing was erased."}));
  for (const SimCommand& c : s->sim->Commands()) {
    EXPECT_TRUE(c.opcode == kOpReadStatus || c.opcode == kOpReadStatusP) << int{c.opcode};
  }
}

TEST_P(FlashWrite, AnAllocationFailureStaysInTheWorker) {
  MakeSim(0x40, 0);
  const auto path = Chart(64);
  struct StarvedHost : RecordingFlashHost {
    using RecordingFlashHost::RecordingFlashHost;
    void SetStatus(const std::string&) override { throw std::bad_alloc(); }
  } starved{ctx};
  EXPECT_EQ(WriteFlashImage(Targets(), starved, path), WriteEnd::NoMemory);
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"Memory allocate failed."}));
  EXPECT_EQ(starved.buttonStates, (std::vector<bool>{true}));
}

TEST_P(FlashWrite, RefusedWriteEndsWithButtonsEnabled) {
  MakeSim(0x40, 0);
  const auto path = Chart(64);
  ASSERT_TRUE(s->adapter.Connect());
  // The size check, the erase and its wait go through, the write does not.
  s->sim->FailTransfersAfter(7);
  EXPECT_EQ(WriteFlashImage(Targets(), host, path), WriteEnd::WriteFailed);
  EXPECT_EQ(host.LastStatus(), "Start to write flash...");
  EXPECT_EQ(host.buttonStates.back(), true);
  EXPECT_TRUE(prompt->Texts().empty());
}

TEST_P(FlashWrite, WorkerAsksForTheFileAndStopsOnCancel) {
  MakeSim(0x40, 0);
  auto chooser = std::make_shared<ScriptedFileChooser>();
  SetFileChooser(chooser);
  chooser->Answer(std::nullopt);
  EXPECT_EQ(RunFlashWriteWorker(Targets(), host), WriteEnd::Cancelled);
  ASSERT_EQ(chooser->Requests().size(), 1u);
  EXPECT_EQ(chooser->Requests()[0].kind, FileDialogKind::Open);
  EXPECT_EQ(chooser->Requests()[0].defaultExtension, "bin");
  EXPECT_EQ(chooser->Requests()[0].filter,
            "TK Raw Data Files (*.tkchart)|*.tkchart|All Files (*.*)|*.*||");
  EXPECT_TRUE(host.statuses.empty());
}

INSTANTIATE_TEST_SUITE_P(BothModels, FlashWrite,
                         ::testing::Values(SimModel::Pelmira, SimModel::Corvex));

}  // namespace
}  // namespace padscope
