// A running window under bad input and load: storms of damaged frames, an
// adapter sending 8,000 frames a second, and the adapter pulled in the middle
// of it. The program keeps capturing what is sound, says what failed, and
// still saves what it holds.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "common/SimFixture.h"
#include "common/Wait.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "state/GlobalSettings.h"
#include "ui/app/CMainFrame.h"
#include "ui/app/DeviceWatcherQt.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"

namespace padscope {
namespace {

bool AllBytesAre(const uint8_t* raw, uint8_t value) {
  return std::all_of(raw, raw + kRawBytes, [value](uint8_t b) { return b == value; });
}

class FaultRuns : public ::testing::Test {
 protected:
  explicit FaultRuns(double framesPerSecond = 2000) : sim(Config(framesPerSecond)) {}
  static SimConfig Config(double framesPerSecond) {
    SimConfig c = test::FastSimConfig();
    c.framesPerSecond = framesPerSecond;
    c.recordReports = false;
    return c;
  }
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    // The adapter sets the pace.
    GlobalSettings::Instance().samplingTimes = 0;
    ctx.cycleSleepMs = 0;
    SetPrompt(prompt);
    frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
    frame->resize(1400, 900);
    frame->show();
  }
  void TearDown() override {
    frame->close();
    frame.reset();
  }
  void Run(int id) { frame->Action(id)->trigger(); }
  // Handles the window's events (its views repaint on their timers) until
  // cond holds.
  bool PumpUntil(const std::function<bool()>& cond) {
    return test::WaitFor([&] {
      QApplication::processEvents();
      return cond();
    });
  }
  void Paint() {
    frame->viewScope()->Refresh();
    frame->viewKeyScope()->Refresh();
  }

  test::SimAdapter sim;
  CaptureContext ctx;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(FaultRuns, DamagedFrameStormsAreSkippedAndCaptureGoesOn) {
  Run(kCmdStartCapture);
  ASSERT_TRUE(PumpUntil([&] { return ctx.WriteIndex() >= 50; }));
  for (SimFrameFault fault : {SimFrameFault::AllFF, SimFrameFault::ZeroChannelByte,
                              SimFrameFault::AllZero, SimFrameFault::ZeroBytes3To6}) {
    sim.sim->InjectFrameFault(fault, 400);
    const int before = ctx.WriteIndex();
    // Through the storm the views keep painting whatever the frames hold;
    // afterwards sound frames are captured again.
    ASSERT_TRUE(PumpUntil([&] {
      Paint();
      return ctx.WriteIndex() >= before + 100 && ctx.ChannelsInFrame() == 16;
    })) << "fault "
        << static_cast<int>(fault);
  }
  Run(kCmdStopCapture);
  EXPECT_EQ(ctx.runState, kRunStopped);
  // Empty frames are never stored; invalid all-0xFF ones are, but a saved
  // chart leaves them out, so it holds every other frame up to its end record.
  int invalid = 0;
  for (int i = 0; i < ctx.WriteIndex(); ++i) {
    const uint8_t* raw = ctx.FrameAt(i)->raw;
    EXPECT_FALSE(AllBytesAre(raw, 0x00)) << "frame " << i;
    invalid += AllBytesAre(raw, 0xFF) ? 1 : 0;
  }
  EXPECT_GT(invalid, 0);
  auto chooser = std::make_shared<ScriptedFileChooser>();
  SetFileChooser(chooser);
  const auto path = StateDirectory() / "storm.tkchart";
  chooser->Answer(path);
  Run(kCmdDumpOriginalData);
  EXPECT_EQ(prompt->Texts().back(), "save ok.");
  EXPECT_EQ(std::filesystem::file_size(path),
            static_cast<uintmax_t>(ctx.WriteIndex() - invalid + 1) * 64);
}

class FastAdapterFaultRuns : public FaultRuns {
 protected:
  FastAdapterFaultRuns() : FaultRuns(8000) {}
};

TEST_F(FastAdapterFaultRuns, EightThousandFramesASecondThenUnplugAndSave) {
  Run(kCmdStartCapture);
  ASSERT_EQ(ctx.runState, kRunRunning);
  ASSERT_TRUE(PumpUntil([&] { return ctx.WriteIndex() >= 8000; }));
  Paint();

  sim.sim->Unplug();
  frame->deviceWatcher()->Poll();
  EXPECT_EQ(ctx.runState, kRunStopped);
  ASSERT_TRUE(PumpUntil([&] { return ctx.threadFinished.load(); }));
  const int captured = ctx.WriteIndex();
  Paint();  // the window goes on with what it holds

  // Dump Original Data still saves every captured frame.
  auto chooser = std::make_shared<ScriptedFileChooser>();
  SetFileChooser(chooser);
  const auto path = StateDirectory() / "after-unplug.tkchart";
  chooser->Answer(path);
  Run(kCmdDumpOriginalData);
  EXPECT_EQ(prompt->Texts().back(), "save ok.");
  EXPECT_EQ(std::filesystem::file_size(path), static_cast<uintmax_t>(captured + 1) * 64);

  // Plugged in again, capture starts afresh.
  sim.sim->Replug();
  frame->deviceWatcher()->Poll();
  Run(kCmdStartCapture);
  ASSERT_TRUE(PumpUntil([&] { return ctx.WriteIndex() >= 1000; }));
  Run(kCmdStopCapture);
}

}  // namespace
}  // namespace padscope
