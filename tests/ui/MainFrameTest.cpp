// The main window against the simulated adapter, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "common/SimFixture.h"
#include "common/Wait.h"
#include "platform/MessageLog.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "state/GlobalSettings.h"
#include "support/ChannelLabel.h"
#include "support/TextTable.h"
#include "ui/app/CMainFrame.h"
#include "ui/app/DeviceWatcherQt.h"
#include "ui/dialogs/DialogRunnerQt.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewKey.h"
#include "ui/views/CViewScope.h"
#include "ui/views/CViewSetting.h"
#include "viewlogic/KeyScopeEdit.h"
#include "viewlogic/KeyScopeGeometry.h"

namespace padscope {
namespace {

// Pumps events until cond holds (the UI thread must keep running while the
// capture thread reports to it).
bool PumpUntil(const std::function<bool()>& cond) {
  return test::WaitFor([&] {
    QApplication::processEvents();
    return cond();
  });
}

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    ctx.cycleSleepMs = 1;
    SetPrompt(prompt);
    frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
  }
  void TearDown() override {
    SetDialogRunner({});
    if (frame) {
      frame->close();
      frame.reset();
    }
  }
  std::vector<int> Ids(const QList<QAction*>& actions) {
    std::vector<int> ids;
    for (QAction* a : actions) {
      ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
    }
    return ids;
  }
  QMenu* Menu(int index) { return frame->menuBar()->actions().at(index)->menu(); }
  void Run(int id) { frame->Action(id)->trigger(); }
  QString Prompt() const { return frame->statusBar()->currentMessage(); }
  static void CancelDialogs() {
    SetDialogRunner([](QDialog& d) {
      d.reject();
      return static_cast<int>(QDialog::Rejected);
    });
  }
  // Loads a text table of these <SENTENSE> elements, in English.
  static void LoadTexts(const std::string& sentences) {
    const auto xml = StateDirectory() / "texts.xml";
    std::ofstream(xml) << "<?xml version=\"1.0\" encoding=\"utf-8\"?><text>" << sentences
                       << "</text>";
    ASSERT_TRUE(TextTable::Instance().Load(xml));
    TextTable::Instance().SetLanguage(1);
  }

  test::SimAdapter sim{[] {
    SimConfig c = test::FastSimConfig();
    c.framesPerSecond = 2000;
    return c;
  }()};
  CaptureContext ctx;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(MainFrameTest, ToolbarHoldsTheCommandsInOrder) {
  EXPECT_EQ(Ids(frame->toolBar()->actions()),
            (std::vector<int>{32771, 32773, 0,     32788, 32814, 32813, 0,     32799,
                              0,     57664, 32824, 32826, 32827, 32828, 32837, 32838,
                              32839, 32840, 0,     32853, 32859, 0,     32870, 32872}));
  EXPECT_EQ(frame->toolBar()->iconSize(), QSize(32, 32));
  for (QAction* a : frame->toolBar()->actions()) {
    if (!a->isSeparator()) {
      EXPECT_FALSE(a->icon().isNull()) << a->data().toInt();
      EXPECT_EQ(frame->toolBar()->widgetForAction(a)->size(), QSize(40, 40));
    }
  }
}

TEST_F(MainFrameTest, MenusHoldTheCommandsInOrder) {
  ASSERT_EQ(frame->menuBar()->actions().size(), 5);
  EXPECT_EQ(Ids(Menu(0)->actions()),
            (std::vector<int>{32794, 32788, 32814, 32813, 32873, 0, 57665}));
  EXPECT_EQ(Ids(Menu(1)->actions()),
            (std::vector<int>{32774, 32775, 0, 32782, 0, 32776, 32777, 0, 32785, 32784, 32786,
                              32787, 0, 32820, 32822}));
  EXPECT_EQ(Ids(Menu(2)->actions()), (std::vector<int>{59392, 59393, 0, 32799, 32855, 32858}));
  EXPECT_EQ(Ids(Menu(3)->actions()),
            (std::vector<int>{32808, 32809, 32800, 32811, 0, 32870, 32871, 32874, 32872}));
  EXPECT_EQ(Ids(Menu(4)->actions()),
            (std::vector<int>{32845, 32847, 32849, 57664, 0, 2345, 0, 2346}));
}

// Real key presses on the focused pane reach the accelerators' commands. The
// numeric pad's + and - carry the keypad flag; the main keyboard's do nothing.
TEST_F(MainFrameTest, KeysReachTheirCommands) {
  SetDialogRunner([](QDialog& d) {  // F5's dialog
    d.reject();
    return static_cast<int>(QDialog::Rejected);
  });
  frame->show();
  QApplication::setActiveWindow(frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  QWidget* pane = frame->viewKey()->list();
  pane->setFocus();
  std::vector<int> ran;
  QObject::connect(frame.get(), &CMainFrame::CommandRan, [&ran](int id) { ran.push_back(id); });
  struct Press {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int command;  // 0: none
  };
  const Press presses[] = {
      {Qt::Key_F5, Qt::NoModifier, 32800},       {Qt::Key_F7, Qt::NoModifier, 32799},
      {Qt::Key_Plus, Qt::KeypadModifier, 32827}, {Qt::Key_Minus, Qt::KeypadModifier, 32828},
      {Qt::Key_Up, Qt::NoModifier, 32785},       {Qt::Key_Down, Qt::NoModifier, 32784},
      {Qt::Key_Right, Qt::NoModifier, 32786},    {Qt::Key_Left, Qt::NoModifier, 32787},
      {Qt::Key_PageUp, Qt::NoModifier, 133},     {Qt::Key_PageDown, Qt::NoModifier, 134},
      {Qt::Key_Home, Qt::NoModifier, 32839},     {Qt::Key_End, Qt::NoModifier, 32840},
      {Qt::Key_F6, Qt::NoModifier, 32872},       {Qt::Key_F8, Qt::NoModifier, 32870},
      {Qt::Key_Plus, Qt::NoModifier, 0},         {Qt::Key_Minus, Qt::NoModifier, 0},
  };
  for (const Press& p : presses) {
    ran.clear();
    QTest::keyClick(pane, p.key, p.modifiers);
    EXPECT_EQ(ran, p.command == 0 ? std::vector<int>{} : std::vector<int>{p.command})
        << QKeySequence(p.key | p.modifiers).toString().toStdString();
  }
  EXPECT_EQ(frame->fields.coordStep, 2) << "zoom in at step 1 stays at 1, zoom out adds one";
}

TEST_F(MainFrameTest, PageUpAndMoveUpDoTheSame) {
  GlobalSettings& s = GlobalSettings::Instance();
  const int max = s.rangeMax;
  const int min = s.rangeMin;
  Run(kCmdRangeUpKey);
  Run(kCmdRangeUp);
  EXPECT_EQ(s.rangeMax, max + 2);
  EXPECT_EQ(s.rangeMin, min + 2);
  Run(kCmdRangeDownKey);
  Run(kCmdRangeDown);
  EXPECT_EQ(s.rangeMax, max);
  EXPECT_EQ(s.rangeMin, min);
}

TEST_F(MainFrameTest, OutputZoomStopsAtItsLimits) {
  for (int i = 0; i < 20; ++i) {
    Run(kCmdOutputZoomUp);
  }
  EXPECT_EQ(GlobalSettings::Instance().zoom, 18);
  for (int i = 0; i < 30; ++i) {
    Run(kCmdOutputZoomDown);
  }
  EXPECT_EQ(GlobalSettings::Instance().zoom, 1);
}

TEST_F(MainFrameTest, EnableAndCheckRulesFollowTheState) {
  frame->UpdateCommandStates();
  EXPECT_TRUE(frame->Action(kCmdStartCapture)->isEnabled());
  EXPECT_FALSE(frame->Action(kCmdStopCapture)->isEnabled());
  ctx.runState = kRunRunning;
  frame->UpdateCommandStates();
  EXPECT_FALSE(frame->Action(kCmdStartCapture)->isEnabled());
  EXPECT_TRUE(frame->Action(kCmdStopCapture)->isEnabled());
  ctx.runState = kRunStopped;

  EXPECT_TRUE(frame->Action(kCmdTimeMode)->isChecked());
  Run(kCmdDataMode);
  EXPECT_FALSE(frame->Action(kCmdTimeMode)->isChecked());
  EXPECT_TRUE(frame->Action(kCmdDataMode)->isChecked());
  Run(kCmdDoubleByte8Tk);
  EXPECT_TRUE(frame->Action(kCmdDoubleByte8Tk)->isChecked());
  EXPECT_FALSE(frame->Action(kCmdSingleByte16Tk)->isChecked());
  EXPECT_EQ(frame->StatusPaneText(131), "Double 8TK");
  Run(kCmdFollowRawValue);
  EXPECT_TRUE(frame->Action(kCmdFollowRawValue)->isChecked());
}

TEST_F(MainFrameTest, StartAndStopFromTheToolbar) {
  EXPECT_EQ(frame->StatusPaneText(131), "Single 16TK");
  Run(kCmdStartCapture);
  ASSERT_EQ(ctx.runState, kRunRunning);
  ASSERT_TRUE(PumpUntil([&] { return ctx.WriteIndex() >= 30; }));
  EXPECT_EQ(frame->StatusPaneText(135), "Pelmira 固件版本号DW, 当前为最新版本!");
  EXPECT_EQ(frame->StatusPaneText(132), "2 Line");
  EXPECT_EQ(frame->StatusPaneText(131), "Single 16TK");
  EXPECT_FALSE(frame->Action(kCmdStartCapture)->isEnabled());
  Run(kCmdStopCapture);
  EXPECT_EQ(ctx.runState, kRunStopped);
  EXPECT_TRUE(ctx.threadFinished);
  EXPECT_TRUE(frame->Action(kCmdStartCapture)->isEnabled());
}

TEST_F(MainFrameTest, DoubleByteStreamShowsItsWidth) {
  sim.sim->SetLayout(SimLayout::Double8Marked);
  Run(kCmdStartCapture);
  ASSERT_TRUE(PumpUntil([&] { return frame->StatusPaneText(131) == "Double 8TK"; }));
  Run(kCmdStopCapture);
}

TEST_F(MainFrameTest, UnplugStopsCaptureAndReplugCapturesAgain) {
  Run(kCmdStartCapture);
  ASSERT_TRUE(PumpUntil([&] { return ctx.WriteIndex() >= 10; }));
  sim.sim->Unplug();
  frame->deviceWatcher()->Poll();
  EXPECT_EQ(ctx.runState, kRunStopped);
  frame->UpdateCommandStates();
  EXPECT_TRUE(frame->Action(kCmdStartCapture)->isEnabled());
  ASSERT_TRUE(PumpUntil([&] { return ctx.threadFinished.load(); }));

  sim.sim->Replug();
  frame->deviceWatcher()->Poll();
  EXPECT_TRUE(frame->devicePresent);
  Run(kCmdStartCapture);
  ASSERT_EQ(ctx.runState, kRunRunning);
  const int from = ctx.WriteIndex();
  ASSERT_TRUE(PumpUntil([&] { return ctx.WriteIndex() >= from + 10; }));
  Run(kCmdStopCapture);
}

TEST_F(MainFrameTest, StopRightAfterStartReturns) {
  Run(kCmdStartCapture);
  Run(kCmdStopCapture);
  EXPECT_EQ(ctx.runState, kRunStopped);
  EXPECT_TRUE(ctx.threadFinished);
}

TEST_F(MainFrameTest, NoAdapterShowsTheMessage) {
  sim.sim->Unplug();
  Run(kCmdStartCapture);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"NO device."});
  EXPECT_EQ(ctx.runState, kRunStopped);
}

TEST_F(MainFrameTest, MessageLogTakesLinesFromAnyThread) {
  AddMessageLog("from the UI thread %d", 1);
  std::atomic<bool> done{false};
  std::thread worker([&] {
    AddMessageLog("from a worker %s", "thread");
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(frame->viewKey()->Lines(),
            (std::vector<std::string>{"from the UI thread 1", "from a worker thread"}));
  Run(kCmdClearMessageLog);
  EXPECT_TRUE(frame->viewKey()->Lines().empty());
}

TEST_F(MainFrameTest, LanguageCyclingRetitlesEachTime) {
  LoadTexts(
      "<SENTENSE id=\"ID_WIN_TITLE\"><VALUE Lang=\"en\">Title EN</VALUE>"
      "<VALUE Lang=\"cn\">标题</VALUE><VALUE Lang=\"tw\">標題</VALUE></SENTENSE>");
  const char* expected[] = {"标题", "標題", "Title EN"};
  for (const char* title : expected) {
    Run(kCmdChangeLanguage);
    EXPECT_EQ(frame->windowTitle().toStdString(), title);
  }
  EXPECT_EQ(TextTable::Instance().Language(), 1);
}

TEST_F(MainFrameTest, HelpVideosAreGreyedWithoutAnAddress) {
  LoadTexts(
      "<SENTENSE id=\"T_REALTIME_VEDIO\">"
      "<VALUE Lang=\"en\">https://example.com/realtime.mp4</VALUE><VALUE Lang=\"cn\"></VALUE>"
      "</SENTENSE>");
  frame->UpdateCommandStates();
  EXPECT_TRUE(frame->Action(kCmdRealTimeVideo)->isEnabled());
  EXPECT_FALSE(frame->Action(kCmdRecordingVideo)->isEnabled()) << "no entry at all";
  Run(kCmdChangeLanguage);  // Simplified Chinese: an empty address
  EXPECT_FALSE(frame->Action(kCmdRealTimeVideo)->isEnabled());
}

// The prompt area shows the scope views' hover and drag feedback whole, from
// a window 1024 pixels wide up; the panes beside it give way.
TEST_F(MainFrameTest, FeedbackFitsBesideTheStatusPanes) {
  GlobalSettings& s = GlobalSettings::Instance();
  s.rangeMax = 123456;
  s.channel[15].secondMax = 65535;
  const QString drag = QString::fromStdString(
      HoverStatusText(keyscope::kHitBarMax, 15, s, ChannelLabel::Instance()));
  frame->SetStatusPaneText(130, QString("File: /home/user/charts/").repeated(8));
  frame->show();
  for (int width : {1024, 1600}) {
    frame->resize(width, 700);
    QApplication::processEvents();
    ASSERT_EQ(frame->width(), width);
    CViewScope* scope = frame->viewScope();
    const QPoint handleTop(scope->width() - 30, (scope->height() - 60) / 2 + 2);
    QMouseEvent move(QEvent::MouseMove, handleTop, scope->mapToGlobal(handleTop), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(scope, &move);
    const QString hover = frame->statusBar()->currentMessage();
    ASSERT_TRUE(hover.endsWith("123456")) << hover.toStdString();
    // The bar writes its message from x 6 to 2 pixels before the first pane.
    int firstPane = width;
    for (const QFrame* pane : frame->statusBar()->findChildren<QFrame*>()) {
      firstPane = std::min(firstPane, pane->x());
    }
    const QFontMetrics metrics = frame->statusBar()->fontMetrics();
    EXPECT_LE(metrics.horizontalAdvance(hover), firstPane - 8) << width;
    EXPECT_LE(metrics.horizontalAdvance(drag), firstPane - 8) << width;
  }
}

// On a 1366 x 768 screen the Tuning dock takes its share of the height; the
// message log still shows a few lines of feedback.
TEST_F(MainFrameTest, MessageLogKeepsAFewLinesWithTheTuningDockOpen) {
  frame->resize(1366, 768);
  frame->show();
  Run(kCmdTuningPanel);
  QApplication::processEvents();
  ASSERT_TRUE(frame->tuningDock()->isVisible());
  for (int i = 0; i < 20; ++i) {
    AddMessageLog("line %d", i);
  }
  QApplication::processEvents();
  const QListWidget* log = frame->viewKey()->list();
  EXPECT_GE(log->viewport()->height(), 4 * log->sizeHintForRow(0));
}

TEST_F(MainFrameTest, LoggingOnThenOffWritesTwoLines) {
  Run(kCmdEnableLog);
  EXPECT_TRUE(frame->Action(kCmdEnableLog)->isChecked());
  Run(kCmdEnableLog);
  EXPECT_FALSE(frame->Action(kCmdEnableLog)->isChecked());
  std::ifstream in(StateDirectory() / "log.log");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("]  [主线程]启动日志信息"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("]  [主线程] 关闭日志信息"), std::string::npos) << lines[1];
}

TEST_F(MainFrameTest, CloseSavesTheSettingsAndTheChartList) {
  frame->close();
  EXPECT_EQ(std::filesystem::file_size(StateDirectory() / "~tmp.tmp"), 1248u);
  EXPECT_FALSE(std::filesystem::exists(StateDirectory() / "~list.tmp")) << "empty list";
}

TEST_F(MainFrameTest, TitleFromCurVerTxt) {
  EXPECT_EQ(frame->windowTitle().toStdString(), "Varnel TK调试工具");
  frame.reset();
  std::ofstream(ResourceDirectory() / "curVer.txt") << "Padscope 3.1.4\nsecond line\n";
  frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
  EXPECT_EQ(frame->windowTitle().toStdString(), "Padscope 3.1.4");
}

TEST_F(MainFrameTest, EveryChannelIsShownAtStart) {
  for (const ChannelConfig& ch : GlobalSettings::Instance().channel) {
    EXPECT_EQ(ch.flags, 0x80);
  }
}

// The test environment is an English system: the text table speaks English.
// Start-up sets the thread language to Simplified Chinese; the dock, the
// cursors' prompts, the Tuning menu and the views' tips keep to the table's
// language, and one press of the language command changes them all.
TEST_F(MainFrameTest, WindowTextsAreEnglishAndFollowOnePressOfTheLanguageCommand) {
  QApplication::processEvents();
  CTuningPanel* panel = frame->tuningPanel();
  const QPushButton* printThresholds = frame->viewSetting()->printThresholdsButton();
  EXPECT_EQ(panel->tabs()->tabText(CTuningPanel::kCursorsTab), "Cursors");
  EXPECT_EQ(Menu(3)->title(), "&Tuning");
  EXPECT_EQ(frame->Action(kCmdGuidedMeasurement)->text(), "Guided Measurement");
  EXPECT_TRUE(panel->cursorSummary()->text().startsWith("Switch Measure on (Tuning menu"));
  EXPECT_TRUE(printThresholds->toolTip().startsWith("Print thresholds"));
  Run(kCmdMeasure);
  EXPECT_EQ(Prompt(), "Measure: press on the waveform for cursor A, drag for B.");

  Run(kCmdChangeLanguage);
  QApplication::processEvents();
  EXPECT_EQ(panel->tabs()->tabText(CTuningPanel::kCursorsTab), QStringLiteral("光标"));
  EXPECT_EQ(Menu(3)->title(), QStringLiteral("调校(&T)"));
  EXPECT_EQ(frame->Action(kCmdGuidedMeasurement)->text(), QStringLiteral("引导测量"));
  EXPECT_TRUE(panel->cursorSummary()->text().startsWith(QStringLiteral("打开测量")));
  EXPECT_TRUE(printThresholds->toolTip().startsWith(QStringLiteral("输出阈值")));
  Run(kCmdMeasure);
  Run(kCmdMeasure);
  EXPECT_TRUE(Prompt().startsWith(QStringLiteral("测量：")));
  EXPECT_EQ(frame->Action(kCmdLoadData)->text(), "Load Data") << "the other menus stay as built";
}

TEST_F(MainFrameTest, TuningMenuReachesItsCommandsAndInteRunsAutoBalance) {
  CancelDialogs();
  std::vector<int> ran;
  QObject::connect(frame.get(), &CMainFrame::CommandRan, [&ran](int id) { ran.push_back(id); });
  const QList<QAction*> items = Menu(3)->actions();
  for (QAction* a : items) {
    if (!a->isSeparator() && a->data().toInt() != kCmdAlgorithmInte) {
      a->trigger();
    }
  }
  // The guided measurement starts the capture on its way.
  EXPECT_EQ(ran, (std::vector<int>{kCmdAlgorithmMa, kCmdGlobalParameters, kCmdHexThresholds,
                                   kCmdMeasure, kCmdTuningPanel, kCmdStartCapture,
                                   kCmdGuidedMeasurement, kCmdFitToData}));
  EXPECT_TRUE(frame->tuningPanel()->walk().has_value());
  Run(kCmdStopCapture);

  items[1]->trigger();  // INTE, then Auto Balance from its button
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
  const std::vector<std::string> log = frame->viewKey()->Lines();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
    return l.rfind("Update threshold of CH15 ", 0) == 0;
  }));
  EXPECT_EQ(frame->fields.unsentThresholds, 0) << "the chip has every key's threshold now";
}

// How the fresh start fits is the core's (tests/tuning); here: that it does,
// once the first second is there, and that a settings file prevents it.
TEST_F(MainFrameTest, AFreshStartFitsTheFirstCaptureAndASavedStartKeepsItsRanges) {
  const GlobalSettings defaults;
  GlobalSettings& s = GlobalSettings::Instance();
  Run(kCmdStartCapture);
  ASSERT_TRUE(PumpUntil([&] { return Prompt().contains("F6"); }));
  Run(kCmdStopCapture);
  EXPECT_NE(s.rangeMax, defaults.rangeMax);
  EXPECT_NE(s.keyRangeMax, defaults.keyRangeMax);
  const GlobalSettings fitted = s;

  frame->close();  // saves the fitted ranges
  frame.reset();
  GlobalSettings::ResetInstanceForTest();
  frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
  Run(kCmdStartCapture);
  const auto stamp = [&](int i) { return ctx.FrameAt(i)->timestamp; };
  ASSERT_TRUE(PumpUntil(
      [&] { return ctx.WriteIndex() > 2 && stamp(ctx.WriteIndex() - 1) - stamp(1) > 1500; }));
  Run(kCmdStopCapture);
  EXPECT_EQ(
      std::vector<int32_t>({s.rangeMin, s.rangeMax, s.keyRangeMax, s.zoom}),
      std::vector<int32_t>({fitted.rangeMin, fitted.rangeMax, fitted.keyRangeMax, fitted.zoom}));
  EXPECT_FALSE(Prompt().contains("F6"));
}

}  // namespace
}  // namespace padscope
