// The Utilities dialog's flash page and the recharge dialog, driven through
// the main window's commands against the simulated adapter.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTextBlock>
#include <QTextEdit>
#include <chrono>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "common/Files.h"
#include "common/SimFixture.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "state/GlobalSettings.h"
#include "ui/app/CMainFrame.h"
#include "ui/dialogs/CDlgUtil.h"
#include "ui/dialogs/CRecharge.h"
#include "ui/dialogs/DialogRunnerQt.h"

namespace padscope {
namespace {

// Waits for cond, handling the window's events meanwhile.
bool PumpUntil(const std::function<bool()>& cond) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!cond()) {
    if (std::chrono::steady_clock::now() > end) {
      return cond();
    }
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

class FlashPage : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    SetPrompt(prompt);
    SetFileChooser(chooser);
    frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
  }
  void TearDown() override {
    SetDialogRunner({});
    frame->close();
  }
  // Opens Utilities and hands its page to `drive`.
  void WithPage(const std::function<void(CDlgUtil&, CDlgAnalysis&)>& drive) {
    bool ran = false;
    SetDialogRunner([&](QDialog& d) {
      auto& dialog = dynamic_cast<CDlgUtil&>(d);
      drive(dialog, *dialog.page());
      ran = true;
      return static_cast<int>(QDialog::Accepted);
    });
    frame->Action(kCmdUtilities)->trigger();
    EXPECT_TRUE(ran);
  }

  test::SimAdapter sim;
  CaptureContext ctx;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::shared_ptr<ScriptedFileChooser> chooser = std::make_shared<ScriptedFileChooser>();
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(FlashPage, LoadFillsTheBufferSavesAChartAndLogsInGreen) {
  sim.sim->RecordFramesToFlash(300);
  const auto chart = StateDirectory() / "tkchart" / "flash.tkchart";
  chooser->Answer(chart);
  WithPage([&](CDlgUtil&, CDlgAnalysis& page) {
    EXPECT_FALSE(page.progressBar()->isVisibleTo(&page));
    page.loadButton()->click();
    EXPECT_EQ(page.statusLabel()->text(), "File list: <  flash.tkchart  > ");
    EXPECT_TRUE(page.loadButton()->isEnabled());
    const QTextBlock first = page.logPane()->document()->firstBlock();
    EXPECT_TRUE(first.text().startsWith("loading data frame: ")) << first.text().toStdString();
    const QTextCharFormat format = first.begin().fragment().charFormat();
    EXPECT_EQ(format.foreground().color(), QColor(0, 128, 0));
    EXPECT_DOUBLE_EQ(format.fontPointSize(), 9.1);
    EXPECT_TRUE(page.logPane()->isReadOnly());
  });
  EXPECT_EQ(ctx.WriteIndex(), 300);
  EXPECT_EQ(ctx.runState, kRunStopped);
  EXPECT_EQ(test::ReadAll(chart).size(), 301u * 64);
  EXPECT_EQ(frame->fields.chartName, "flash.tkchart");
  EXPECT_EQ(frame->StatusPaneText(132), "2 Line");
}

TEST_F(FlashPage, LogPaneKeepsItsNewestLines) {
  WithPage([](CDlgUtil&, CDlgAnalysis& page) {
    for (int i = 0; i < 3 * kFlashLogLineCap; ++i) {
      page.AppendLog(QString::number(i));
      if (i % 700 == 0) {
        page.FlushLog();
      }
    }
    page.FlushLog();
    QTextDocument* doc = page.logPane()->document();
    EXPECT_LE(doc->blockCount(), kFlashLogLineCap);
    EXPECT_EQ(doc->lastBlock().previous().text(), QString::number(3 * kFlashLogLineCap - 1));
  });
}

TEST_F(FlashPage, EraseShowsDoneAndHidesTheBar) {
  WithPage([&](CDlgUtil&, CDlgAnalysis& page) {
    page.eraseButton()->click();
    EXPECT_EQ(page.statusLabel()->text(), "Erasing Done.");
    EXPECT_FALSE(page.progressBar()->isVisibleTo(&page));
    EXPECT_TRUE(page.writeButton()->isEnabled());
  });
  EXPECT_TRUE(frame->devicePresent);
}

TEST_F(FlashPage, WriteRunsOnItsWorkerAndVerifies) {
  sim.sim->RecordFramesToFlash(128);
  test::Bytes bytes = sim.sim->Flash();
  bytes.resize(129 * 64, 0xFF);
  const auto image = StateDirectory() / "image.tkchart";
  test::WriteAll(image, bytes);
  chooser->Answer(image);
  WithPage([&](CDlgUtil&, CDlgAnalysis& page) {
    page.writeButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return !page.WriteRunning(); }));
    // The worker's changes reach the page as queued events, the buttons'
    // disabling among them: the buttons may still be enabled from before.
    const QString done = "Write time: 0 s, Read time: 0 s, Verify success.";
    EXPECT_TRUE(PumpUntil([&] {
      return page.statusLabel()->text() == done && page.loadButton()->isEnabled();
    })) << page.statusLabel()->text().toStdString();
  });
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"Write Flash success."}));
}

TEST_F(FlashPage, ClosingThePageLetsARunningWriteFinish) {
  sim.sim->RecordFramesToFlash(2048);
  test::Bytes bytes = sim.sim->Flash();
  bytes.resize(2049 * 64, 0xFF);
  const auto image = StateDirectory() / "image.tkchart";
  test::WriteAll(image, bytes);
  chooser->Answer(image);
  WithPage([&](CDlgUtil&, CDlgAnalysis& page) {
    page.writeButton()->click();
    EXPECT_TRUE(page.WriteRunning());
    page.writeButton()->click();  // a second write does not start while one runs
  });
  // The dialog is gone; its page waited for the worker instead of leaving it
  // to update widgets that no longer exist.
  EXPECT_EQ(chooser->Requests().size(), 1u);
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"Write Flash success."}));
  bytes.resize(2048 * 64);
  const test::Bytes flash = sim.sim->Flash();
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin()));
  QApplication::processEvents();  // queued updates for the page are dropped
}

TEST_F(FlashPage, RefusedWhileCaptureRuns) {
  ctx.runState = kRunReplaying;
  WithPage([](CDlgUtil&, CDlgAnalysis& page) {
    page.loadButton()->click();
    page.eraseButton()->click();
    page.writeButton()->click();
    EXPECT_FALSE(page.WriteRunning());
  });
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>(3, "Please stop main capture thread first."));
  ctx.runState = kRunStopped;
}

TEST(FlashTab, TextFollowsTheSystemLocale) {
  EXPECT_EQ(WaveTabText(QLocale(QLocale::Chinese, QLocale::Taiwan)), "波形還原");
  EXPECT_EQ(WaveTabText(QLocale(QLocale::English, QLocale::UnitedStates)), "Wave reduction");
  EXPECT_EQ(WaveTabText(QLocale(QLocale::Chinese, QLocale::China)), "波形还原");
  EXPECT_EQ(WaveTabText(QLocale(QLocale::English, QLocale::UnitedKingdom)), "");
  EXPECT_EQ(WaveTabText(QLocale(QLocale::German, QLocale::Germany)), "");
}

TEST_F(FlashPage, OtherLocaleHasNoTabButShowsThePage) {
  std::atomic<bool> present{false};
  CDlgUtil dialog(FlashPageContext{ctx, sim.adapter, present, {}, {}, {}}, nullptr,
                  QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(dialog.tabBar()->count(), 0);
  EXPECT_TRUE(dialog.page()->isVisibleTo(&dialog));
  EXPECT_EQ(dialog.windowTitle(), "Utilities");
}

TEST_F(FlashPage, RechargeShowsHexAndSendsTheAddress) {
  bool ran = false;
  SetDialogRunner([&](QDialog& d) {
    auto& dialog = dynamic_cast<CRecharge&>(d);
    EXPECT_EQ(dialog.windowTitle(), "Recharge data 回灌数据");
    dialog.addressEdit()->setText("10");
    EXPECT_EQ(dialog.hexLabel()->text(), "0x0A");
    dialog.addressEdit()->setText("4096");
    EXPECT_EQ(dialog.hexLabel()->text(), "0x1000");
    dialog.okButton()->click();
    ran = true;
    return dialog.result();
  });
  frame->Action(kCmdRecharge)->trigger();
  ASSERT_TRUE(ran);
  EXPECT_EQ(sim.sim->RechargeAddress(), 4096u);
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"设置回灌地址成功!"}));
}

TEST_F(FlashPage, RechargeStaysOpenWithoutAdapterOrWithTooLargeAnAddress) {
  test::SimAdapter absent;
  absent.sim->Unplug();
  CRecharge noDevice(absent.adapter);
  noDevice.addressEdit()->setText("");
  EXPECT_EQ(noDevice.hexLabel()->text(), "0x00") << "an empty field keeps the last address";
  noDevice.addressEdit()->setText("5");
  noDevice.okButton()->click();
  EXPECT_EQ(noDevice.result(), QDialog::Rejected) << "stays open";

  CRecharge dialog(sim.adapter);
  dialog.addressEdit()->setText("16777216");
  EXPECT_EQ(dialog.hexLabel()->text(), "0x1000000");
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected) << "stays open";
  EXPECT_EQ(sim.sim->RechargeAddress(), 0u);

  // A refused command closes the dialog without a message.
  sim.sim->Unplug();
  dialog.addressEdit()->setText("5");
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(prompt->Texts(),
            (std::vector<std::string>{"Please enter an integer.", "NO device.",
                                      "The start address must be at most 16777215 (0xFFFFFF)."}));
}

}  // namespace
}  // namespace padscope
