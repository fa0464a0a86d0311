// The window's own texts on an English system, the Tuning menu's commands,
// and a fresh start's first screen, against the simulated adapter.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

#include "analysis/AnalysisFrame.h"
#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "common/SimFixture.h"
#include "common/Wait.h"
#include "platform/RecordingPrompt.h"
#include "state/GlobalSettings.h"
#include "tuning/FitToData.h"
#include "ui/app/CMainFrame.h"
#include "ui/dialogs/DialogRunnerQt.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewKey.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewSetting.h"

namespace padscope {
namespace {

class TuningMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    ctx.cycleSleepMs = 1;
    SetPrompt(prompt);
    // Every dialog a command opens is cancelled.
    SetDialogRunner([](QDialog& d) {
      d.reject();
      return static_cast<int>(QDialog::Rejected);
    });
  }
  void TearDown() override {
    SetDialogRunner({});
    Close();
  }
  void Open() {
    frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
    frame->resize(1400, 900);
    frame->show();
    QApplication::processEvents();
  }
  void Close() {
    if (frame) {
      frame->close();
      frame.reset();
    }
  }
  void Run(int id) { frame->Action(id)->trigger(); }
  bool PumpUntil(const std::function<bool()>& cond) {
    return test::WaitFor([&] {
      QApplication::processEvents();
      return cond();
    });
  }
  QMenu* TuningMenu() const { return frame->findChild<QMenu*>("tuningMenu"); }
  QString Prompt() const { return frame->statusBar()->currentMessage(); }

  test::SimAdapter sim{[] {
    SimConfig c = test::FastSimConfig();
    c.framesPerSecond = 2000;
    return c;
  }()};
  CaptureContext ctx;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::unique_ptr<CMainFrame> frame;
};

// The test environment is an English system: the text table speaks English.
// Start-up sets the thread language to Simplified Chinese; the dock, the
// cursors' prompts, the Tuning menu and the views' tips keep to the table's
// language, and one press of the language command changes them all.
TEST_F(TuningMenuTest, WindowTextsAreEnglishAndFollowOnePressOfTheLanguageCommand) {
  Open();
  CTuningPanel* panel = frame->tuningPanel();
  QPushButton* printThresholds = frame->viewSetting()->printThresholdsButton();
  EXPECT_EQ(panel->tabs()->tabText(CTuningPanel::kCursorsTab), "Cursors");
  EXPECT_EQ(TuningMenu()->title(), "&Tuning");
  EXPECT_EQ(frame->Action(kCmdGuidedMeasurement)->text(), "Guided Measurement");
  EXPECT_TRUE(panel->cursorSummary()->text().startsWith("Switch Measure on (Tuning menu"));
  EXPECT_TRUE(printThresholds->toolTip().startsWith("Print thresholds"));
  Run(kCmdMeasure);
  EXPECT_EQ(Prompt(), "Measure: press on the waveform for cursor A, drag for B.");

  Run(kCmdChangeLanguage);
  QApplication::processEvents();
  EXPECT_EQ(panel->tabs()->tabText(CTuningPanel::kCursorsTab), QStringLiteral("光标"));
  EXPECT_EQ(TuningMenu()->title(), QStringLiteral("调校(&T)"));
  EXPECT_EQ(frame->Action(kCmdGuidedMeasurement)->text(), QStringLiteral("引导测量"));
  EXPECT_TRUE(panel->cursorSummary()->text().startsWith(QStringLiteral("打开测量")));
  EXPECT_TRUE(printThresholds->toolTip().startsWith(QStringLiteral("输出阈值")));
  Run(kCmdMeasure);
  Run(kCmdMeasure);
  EXPECT_TRUE(Prompt().startsWith(QStringLiteral("测量：")));
  // The menus the window was built with stay as they were.
  EXPECT_EQ(frame->Action(kCmdLoadData)->text(), "Load Data");
}

TEST_F(TuningMenuTest, TuningMenuReachesItsCommandsAndInteRunsAutoBalance) {
  Open();
  std::vector<int> ids;
  for (QAction* a : TuningMenu()->actions()) {
    ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
  }
  ASSERT_EQ(ids, (std::vector<int>{kCmdAlgorithmMa, kCmdAlgorithmInte, kCmdGlobalParameters,
                                   kCmdHexThresholds, 0, kCmdMeasure, kCmdTuningPanel,
                                   kCmdGuidedMeasurement, kCmdFitToData}));
  std::vector<int> ran;
  QObject::connect(frame.get(), &CMainFrame::CommandRan, [&ran](int id) { ran.push_back(id); });
  const QList<QAction*> items = TuningMenu()->actions();
  for (QAction* a : items) {
    if (!a->isSeparator() && a->data().toInt() != kCmdAlgorithmInte) {
      a->trigger();
    }
  }
  // The guided measurement starts the capture on its way.
  EXPECT_EQ(ran, (std::vector<int>{kCmdAlgorithmMa, kCmdGlobalParameters, kCmdHexThresholds,
                                   kCmdMeasure, kCmdTuningPanel, kCmdStartCapture,
                                   kCmdGuidedMeasurement, kCmdFitToData}));
  EXPECT_TRUE(frame->tuningPanel()->walk().has_value()) << "the guided measurement started";
  Run(kCmdGuidedMeasurement);
  Run(kCmdStopCapture);

  // INTE from the Tuning menu, then Auto Balance from its button.
  items[1]->trigger();
  EXPECT_EQ(GlobalSettings::Instance().parameterMode, 2);
  EXPECT_TRUE(items[1]->isChecked());
  EXPECT_FALSE(items[0]->isChecked());
  QPushButton* autoBalance = frame->viewSetting()->autoBalanceButton();
  ASSERT_FALSE(autoBalance->isHidden());
  autoBalance->click();
  ASSERT_EQ(ctx.runState, kRunRunning);
  const int from = ctx.WriteIndex();
  ASSERT_TRUE(PumpUntil([&] { return ctx.WriteIndex() > from + 50; }));
  frame->fields.unsentThresholds = 0xFFFF;  // thresholds dragged meanwhile
  autoBalance->click();
  EXPECT_EQ(ctx.runState, kRunStopped);
  const std::vector<std::string> log = frame->viewKey()->Lines();
  EXPECT_NE(std::find_if(
                log.begin(), log.end(),
                [](const std::string& l) { return l.rfind("Update threshold of CH0 ", 0) == 0; }),
            log.end());
  EXPECT_EQ(frame->fields.unsentThresholds, 0) << "the chip has every key's threshold now";
}

// Whether every decoded value of the first second lies in both views.
void ExpectFirstSecondInView(const CaptureContext& ctx, const GlobalSettings& s, int height) {
  const std::optional<FrameSpan> span = FirstSecondFrames(ctx, s.singleByteMode != 0, true);
  ASSERT_TRUE(span.has_value());
  const int32_t bottom = s.keyRangeMax - (height - 40) / s.zoom;
  AnalysisFrame f;
  for (int i = span->first; i <= span->last; ++i) {
    if (!ReadAnalysisFrame(ctx, i, s.singleByteMode != 0, f) || !f.decoded) {
      continue;
    }
    for (int k = 0; k < f.channels; ++k) {
      ASSERT_GE(f.raw[k] + 2000, s.rangeMin) << "frame " << i << " CH" << k;
      ASSERT_LE(f.raw[k] + 2000, s.rangeMax) << "frame " << i << " CH" << k;
      ASSERT_LE(f.output[k], s.keyRangeMax) << "frame " << i << " CH" << k;
      ASSERT_GE(f.output[k], bottom) << "frame " << i << " CH" << k;
    }
  }
}

TEST_F(TuningMenuTest, AFreshStartFitsTheFirstCaptureAndASavedStartKeepsItsRanges) {
  Open();  // this test's folder holds no settings file
  const GlobalSettings defaults;
  Run(kCmdStartCapture);
  ASSERT_TRUE(PumpUntil([&] { return Prompt().contains("F6"); }));
  Run(kCmdStopCapture);
  GlobalSettings& s = GlobalSettings::Instance();
  EXPECT_NE(s.rangeMax, defaults.rangeMax);
  EXPECT_NE(s.keyRangeMax, defaults.keyRangeMax);
  ExpectFirstSecondInView(ctx, s, frame->viewKeyScope()->height());
  const GlobalSettings fitted = s;

  Close();  // saves the fitted ranges
  GlobalSettings::ResetInstanceForTest();
  Open();
  Run(kCmdStartCapture);
  const auto stampOf = [&](int i) { return ctx.FrameAt(i)->timestamp; };
  ASSERT_TRUE(PumpUntil(
      [&] { return ctx.WriteIndex() > 2 && stampOf(ctx.WriteIndex() - 1) - stampOf(1) > 1500; }));
  Run(kCmdStopCapture);
  EXPECT_EQ(s.rangeMin, fitted.rangeMin);
  EXPECT_EQ(s.rangeMax, fitted.rangeMax);
  EXPECT_EQ(s.keyRangeMax, fitted.keyRangeMax);
  EXPECT_EQ(s.zoom, fitted.zoom);
  EXPECT_FALSE(Prompt().contains("F6"));
}

}  // namespace
}  // namespace padscope
