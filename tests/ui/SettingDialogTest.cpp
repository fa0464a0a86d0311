// The Setting dialog opened from the main window (F5) against the simulated
// adapter: what goes on the wire, what is stored, and every refusal.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <functional>
#include <tuple>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "common/SimFixture.h"
#include "common/Wait.h"
#include "files/ChartCommands.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "state/GlobalSettings.h"
#include "ui/app/CMainFrame.h"
#include "ui/dialogs/CDecimalEdit.h"
#include "ui/dialogs/CDlgSetting.h"
#include "ui/dialogs/DialogRunnerQt.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewKey.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"

namespace padscope {
namespace {

// The fields the dialog edits, for comparing before and after.
auto Parameters(const GlobalSettings& s) {
  return std::make_tuple(s.chTimer, s.samplingTimes, s.samplingElapseTenths, s.maxHoldKeyTime,
                         s.debounceTime, s.noComposeKey, s.bufferFrames);
}

class SettingDialog : public ::testing::TestWithParam<SimModel> {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    ctx.cycleSleepMs = 1;
    SetPrompt(prompt);
    frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
    defaults = Parameters(GlobalSettings::Instance());
  }
  void TearDown() override {
    SetDialogRunner({});
    if (frame) {
      frame->close();
    }
  }

  // Opens the dialog with F5's command; `script` plays the user. Returns the
  // dialog's result.
  int Open(const std::function<void(CDlgSetting&)>& script) {
    int result = -1;
    SetDialogRunner([&](QDialog& d) {
      auto& dialog = dynamic_cast<CDlgSetting&>(d);
      script(dialog);
      result = dialog.result();
      return result;
    });
    frame->Action(kCmdGlobalParameters)->trigger();
    return result;
  }

  // The parameter sends the adapter decoded so far.
  int ParameterSends() const {
    int n = 0;
    for (const SimCommand& c : sim.sim->Commands()) {
      n += c.opcode == 0xF4 && !c.longHeader ? 1 : 0;
    }
    return n;
  }

  static void Fill(CDlgSetting& d, const char* chTimer, const char* elapse, const char* times,
                   const char* maxHold, const char* debounce, bool noCompose,
                   const char* bufferKb) {
    d.chTimerEdit()->setText(chTimer);
    d.elapseEdit()->setText(elapse);
    d.timesEdit()->setText(times);
    d.maxHoldKeyEdit()->setText(maxHold);
    d.debounceEdit()->setText(debounce);
    d.noComposeKeyCheck()->setChecked(noCompose);
    d.bufferEdit()->setText(bufferKb);
  }

  test::SimAdapter sim{test::FastSimConfig(GetParam())};
  CaptureContext ctx;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::unique_ptr<CMainFrame> frame;
  decltype(Parameters(GlobalSettings{})) defaults;
};

TEST_P(SettingDialog, SendsTheParametersThenStoresThemAndResizesTheBuffer) {
  GlobalSettings& s = GlobalSettings::Instance();
  const int redraws = frame->viewScope()->refreshCount();
  const int result = Open([](CDlgSetting& d) {
    EXPECT_EQ(d.windowTitle(), "Setting");
    EXPECT_EQ(d.chTimerEdit()->text(), "4");
    EXPECT_EQ(d.elapseEdit()->text(), "0.0");
    EXPECT_EQ(d.timesEdit()->text(), "16");
    EXPECT_EQ(d.maxHoldKeyEdit()->text(), "5");
    EXPECT_EQ(d.debounceEdit()->text(), "4");
    EXPECT_EQ(d.debounceLabel()->text(), "Debounce Time(2-10):");
    EXPECT_TRUE(d.noComposeKeyCheck()->isChecked());
    EXPECT_EQ(d.bufferEdit()->text(), "1600");
    Fill(d, "7", "2.5", "300", "3", "10", false, "2");
    d.accept();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_TRUE(prompt->Texts().empty());

  // One short header announcing 64 bytes with opcode 0xF4, then the buffer's
  // first 64 bytes: the five parameters (Times as its low 8 bits), zeros after.
  const auto commands = sim.Written(SimChannel::Command);
  const auto data = sim.Written(SimChannel::Data);
  ASSERT_FALSE(commands.empty());
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(commands.back(), test::Report({0x55, 0x53, 0x42, 0x43, 0x00, 0x00, 0x40, 0xF4}));
  EXPECT_EQ(data.back(), test::Report({7, 300 & 0xFF, 3, 10, 0}));
  EXPECT_EQ(ParameterSends(), 1);
  const SimParameters p = sim.sim->Parameters();
  EXPECT_TRUE(p.received);
  EXPECT_EQ(p.chTimer, 7);

  EXPECT_EQ(s.chTimer, 7);
  EXPECT_EQ(s.samplingTimes, 300);
  EXPECT_EQ(s.samplingElapseTenths, 25);
  EXPECT_EQ(s.maxHoldKeyTime, 3);
  EXPECT_EQ(s.debounceTime, 10);
  EXPECT_EQ(s.noComposeKey, 0);
  EXPECT_EQ(s.bufferFrames, 2048);
  EXPECT_TRUE(ctx.HasFrames());
  EXPECT_EQ(ctx.frameCapacity, 2048);
  EXPECT_GT(frame->viewScope()->refreshCount(), redraws);

  const auto log = frame->viewKey()->Lines();
  EXPECT_NE(std::find(log.begin(), log.end(), "try to send 2 USB:"), log.end());

  // Reopened, the dialog shows what was stored.
  Open([](CDlgSetting& d) {
    EXPECT_EQ(d.elapseEdit()->text(), "2.5");
    EXPECT_EQ(d.timesEdit()->text(), "300");
    EXPECT_EQ(d.bufferEdit()->text(), "2");
    EXPECT_FALSE(d.noComposeKeyCheck()->isChecked());
    d.reject();
  });
}

TEST_P(SettingDialog, ThresholdModeSendsTheLowByteAndStoresTheWholeValue) {
  GlobalSettings::Instance().parameterMode = 2;
  const int result = Open([](CDlgSetting& d) {
    EXPECT_EQ(d.debounceLabel()->text(), "Threshold(0-260):");
    d.debounceEdit()->setText("260");
    d.accept();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(sim.Written(SimChannel::Data).back(), test::Report({4, 16, 5, 260 & 0xFF, 1}));
  EXPECT_EQ(GlobalSettings::Instance().debounceTime, 260);
}

std::string ModelName(const ::testing::TestParamInfo<SimModel>& info) {
  return info.param == SimModel::Pelmira ? "Pelmira" : "Corvex";
}

INSTANTIATE_TEST_SUITE_P(BothModels, SettingDialog,
                         ::testing::Values(SimModel::Pelmira, SimModel::Corvex), ModelName);

// The rest does not depend on the model.
class SettingDialogPelmira : public SettingDialog {};
INSTANTIATE_TEST_SUITE_P(Sim, SettingDialogPelmira, ::testing::Values(SimModel::Pelmira),
                         ModelName);

TEST_P(SettingDialogPelmira, EveryRangeCheckNamesItsFieldAndKeepsTheDialogOpen) {
  struct Bad {
    int field;  // 0 CH Timer, 1 Max Hold, 2 debounce, 3 Times, 4 buffer
    const char* text;
    const char* message;
  };
  const Bad cases[] = {
      {0, "0", "CH Timer Range: 1-7."},
      {0, "8", "CH Timer Range: 1-7."},
      {0, "", "CH Timer Range: 1-7."},
      {1, "0", "Max Key Hold Time Range: 1-5."},
      {1, "6", "Max Key Hold Time Range: 1-5."},
      {2, "1", "Debounce Time Range: 2-10."},
      {2, "11", "Debounce Time Range: 2-10."},
      {2, "260", "Debounce Time Range: 2-10."},
      {3, "65536", "Times Range: 0-65535."},
      {4, "0", "Memory allocate failed.\nPlease input a new value for buffer size."},
      {4, "99999999", "Memory allocate failed.\nPlease input a new value for buffer size."},
  };
  const int result = Open([&](CDlgSetting& d) {
    QLineEdit* fields[] = {d.chTimerEdit(), d.maxHoldKeyEdit(), d.debounceEdit(), d.timesEdit(),
                           d.bufferEdit()};
    for (const Bad& c : cases) {
      const QString good = fields[c.field]->text();
      fields[c.field]->setText(c.text);
      prompt->Clear();
      d.accept();
      EXPECT_EQ(prompt->Texts(), std::vector<std::string>{c.message}) << c.text;
      EXPECT_NE(d.result(), QDialog::Accepted) << c.text;
      fields[c.field]->setText(good);
    }
    d.reject();
  });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(ParameterSends(), 0);
  EXPECT_EQ(Parameters(GlobalSettings::Instance()), defaults);
}

TEST_P(SettingDialogPelmira, ThresholdRangeInTheSecondMode) {
  GlobalSettings::Instance().parameterMode = 2;
  Open([&](CDlgSetting& d) {
    for (const char* bad : {"0", "261"}) {
      prompt->Clear();
      d.debounceEdit()->setText(bad);
      d.accept();
      EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"Threshold Range: 1-260"}) << bad;
    }
    d.reject();
  });
  EXPECT_EQ(ParameterSends(), 0);
}

TEST_P(SettingDialogPelmira, RefusedWhileCapturingOrReplaying) {
  frame->Action(kCmdStartCapture)->trigger();
  ASSERT_EQ(ctx.runState, kRunRunning);
  ASSERT_TRUE(test::WaitFor([&] {
    QApplication::processEvents();
    return ctx.WriteIndex() >= 5;
  }));
  const int capacity = ctx.frameCapacity;
  const int result = Open([](CDlgSetting& d) {
    Fill(d, "7", "1.0", "20", "3", "10", false, "2");
    d.accept();
  });
  EXPECT_NE(result, QDialog::Accepted);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"请先停止."});
  EXPECT_EQ(ParameterSends(), 0);
  EXPECT_EQ(ctx.frameCapacity, capacity) << "the running capture's buffer is left alone";
  frame->Action(kCmdStopCapture)->trigger();
  ASSERT_EQ(ctx.runState, kRunStopped);

  ctx.runState = kRunReplaying;
  prompt->Clear();
  Open([](CDlgSetting& d) { d.accept(); });
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"请先停止."});
  ctx.runState = kRunStopped;
  EXPECT_EQ(Parameters(GlobalSettings::Instance()), defaults);
}

// OK reallocates the frame buffer. A capture no chart file has is offered
// for saving first; afterwards every view shows the empty buffer at once.
TEST_P(SettingDialogPelmira, OkAsksBeforeDiscardingAnUnsavedCaptureThenShowsTheEmptyBuffer) {
  auto chooser = std::make_shared<ScriptedFileChooser>();
  SetFileChooser(chooser);
  frame->resize(1200, 800);
  frame->show();
  const auto capture = [&] {
    frame->Action(kCmdStartCapture)->trigger();
    ASSERT_TRUE(test::WaitFor([&] {
      QApplication::processEvents();
      return ctx.WriteIndex() >= 20;
    }));
    frame->Action(kCmdStopCapture)->trigger();
  };
  const auto ok = [](CDlgSetting& d) { d.accept(); };
  capture();
  frame->viewKeyScope()->Refresh();
  ASSERT_NE(frame->StatusPaneText(129), "data: 0");
  frame->SetChartStatus("old.tkchart");
  frame->tuningPanel()->UpdateAnalysis();
  ASSERT_TRUE(frame->tuningPanel()->Result().has_value());

  prompt->Answer(PromptButton::Cancel);
  EXPECT_NE(Open(ok), QDialog::Accepted);
  ASSERT_EQ(prompt->Requests().size(), 1u);
  EXPECT_EQ(prompt->Requests()[0].text, kUnsavedFramesText);
  EXPECT_EQ(prompt->Requests()[0].buttons, PromptButtons::SaveDiscardCancel);
  EXPECT_EQ(ParameterSends(), 0);
  EXPECT_GE(ctx.WriteIndex(), 20) << "the capture is kept";

  prompt->Answer(PromptButton::Discard);
  EXPECT_EQ(Open(ok), QDialog::Accepted);
  EXPECT_EQ(ctx.WriteIndex(), 0);
  EXPECT_EQ(frame->StatusPaneText(129), "data: 0");
  EXPECT_EQ(frame->StatusPaneText(130), "");
  EXPECT_FALSE(frame->tuningPanel()->Result().has_value());

  // Saved from the question, then read back: a chart's frames go unasked.
  capture();
  const auto chart = StateDirectory() / "kept.tkchart";
  chooser->Answer(chart);
  prompt->Clear();
  prompt->Answer(PromptButton::Save);
  EXPECT_EQ(Open(ok), QDialog::Accepted);
  ASSERT_TRUE(std::filesystem::exists(chart));
  frame->OpenChart(chart.string());
  ASSERT_GT(ctx.WriteIndex(), 0);
  EXPECT_EQ(Open(ok), QDialog::Accepted);
  EXPECT_EQ(prompt->Texts().size(), 1u);
}

TEST_P(SettingDialogPelmira, FailedSendStoresNothingAndCanBeRetried) {
  ASSERT_TRUE(sim.adapter.Connect());
  ASSERT_TRUE(ctx.AllocateFrames(16));
  sim.sim->FailTransfersAfter(0);
  const int result = Open([&](CDlgSetting& d) {
    Fill(d, "7", "1.0", "20", "3", "10", false, "2");
    d.accept();
    EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"Set parameter to USB device failed."});
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(Parameters(GlobalSettings::Instance()), defaults) << "nothing stored";
    EXPECT_EQ(ctx.frameCapacity, 16) << "the buffer is not reallocated";

    // The user tries again once the adapter answers.
    sim.sim->ClearTransferFault();
    d.accept();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(GlobalSettings::Instance().chTimer, 7);
  EXPECT_EQ(ctx.frameCapacity, 2048);
}

TEST_P(SettingDialogPelmira, NoDeviceFound) {
  sim.sim->Unplug();
  const int result = Open([](CDlgSetting& d) {
    d.chTimerEdit()->setText("1");
    d.accept();
  });
  EXPECT_NE(result, QDialog::Accepted);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"No device found."});
  EXPECT_EQ(Parameters(GlobalSettings::Instance()), defaults);
}

TEST_P(SettingDialogPelmira, CancelChangesNothingAndStillRedraws) {
  const int redraws = frame->viewScope()->refreshCount();
  const int result = Open([](CDlgSetting& d) {
    Fill(d, "7", "1.0", "20", "3", "10", false, "2");
    d.reject();
  });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(ParameterSends(), 0);
  EXPECT_EQ(Parameters(GlobalSettings::Instance()), defaults);
  EXPECT_GT(frame->viewScope()->refreshCount(), redraws);
  EXPECT_EQ(frame->Action(kCmdGlobalParameters)->shortcut(), QKeySequence(Qt::Key_F5));
}

TEST_P(SettingDialogPelmira, AlgorithmChoiceOpensTheDialogWithItsLabel) {
  std::vector<QString> labels;
  SetDialogRunner([&](QDialog& d) {
    labels.push_back(dynamic_cast<CDlgSetting&>(d).debounceLabel()->text());
    d.reject();
    return d.result();
  });
  frame->Action(kCmdAlgorithmInte)->trigger();
  frame->Action(kCmdAlgorithmMa)->trigger();
  EXPECT_EQ(labels, (std::vector<QString>{"Threshold(0-260):", "Debounce Time(2-10):"}));
}

TEST_P(SettingDialogPelmira, ElapseFieldTakesTypedCharactersByItsRules) {
  const int result = Open([](CDlgSetting& d) {
    CDecimalEdit* e = d.elapseEdit();
    e->clear();
    QTest::keyClicks(e, "1a0.55");
    EXPECT_EQ(e->text(), "10.5") << "letter swallowed, second decimal undone";
    QTest::keyClicks(e, "3.");
    EXPECT_EQ(e->text(), "10.5") << "above 10 nothing but backspace";
    QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(e->text(), "10.");
    QTest::keyClicks(e, ".");
    EXPECT_EQ(e->text(), "10.") << "a second point";
    QTest::keyClick(e, Qt::Key_Home);
    QTest::keyClicks(e, "-+");
    EXPECT_EQ(e->text(), "10.") << "no sign";
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, ".3");
    EXPECT_EQ(e->text(), "3") << "a leading point is undone";
    e->clear();
    QTest::keyClicks(e, "0.3");
    QApplication::clipboard()->setText("999");
    QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e->text(), "0.3") << "paste would bypass the rules";
    e->setCursorPosition(1);
    QTest::keyClick(e, Qt::Key_Backspace);
    EXPECT_EQ(e->text(), "0.3") << "removing the 0 would leave a leading point";
    e->setText("12345678.9");
    e->setCursorPosition(0);
    QTest::keyClicks(e, "0");
    EXPECT_EQ(e->text(), "12345678.9") << "value above 10";
    e->setText("0000000001.0");
    e->setCursorPosition(0);
    QTest::keyClicks(e, "0");
    EXPECT_EQ(e->text(), "0000000001.0") << "12 characters at most";
    e->setText("0.3");
    d.accept();
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(GlobalSettings::Instance().samplingElapseTenths, 3) << "0.3 ms is 3 tenths";
}

}  // namespace
}  // namespace padscope
