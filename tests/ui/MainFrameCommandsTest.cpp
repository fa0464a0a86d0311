// Commands of the main window that open dialogs, write files or switch panes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTranslator>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "commands/MiscCommands.h"
#include "common/SimFixture.h"
#include "common/Wait.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "state/ChartList.h"
#include "state/GlobalSettings.h"
#include "support/TextTable.h"
#include "support/Version.h"
#include "ui/app/CMainFrame.h"
#include "ui/dialogs/CCoordinateDlg.h"
#include "ui/dialogs/DialogRunnerQt.h"
#include "ui/views/CViewKey.h"
#include "ui/views/CViewSetting.h"

namespace padscope {
namespace {

class FrameCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    SetPrompt(prompt);
  }
  void TearDown() override {
    SetDialogRunner({});
    if (frame) {
      frame->close();
    }
    unsetenv("PADSCOPE_MENU");
  }
  void Open() { frame = std::make_unique<CMainFrame>(ctx, sim.adapter); }
  void Run(int id) { frame->Action(id)->trigger(); }

  test::SimAdapter sim;
  CaptureContext ctx;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(FrameCommands, SetTkRangeCancelledStillToggles) {
  Open();
  SetDialogRunner([](QDialog& d) {
    auto& dialog = dynamic_cast<CCoordinateDlg&>(d);
    EXPECT_EQ(dialog.maxEdit()->text(), "2357");
    EXPECT_EQ(dialog.minEdit()->text(), "2242");
    EXPECT_EQ(dialog.channelEdit()->text(), "8");
    dialog.maxEdit()->setText("9999");
    dialog.reject();
    return static_cast<int>(QDialog::Rejected);
  });
  Run(kCmdSetTkRange);
  EXPECT_EQ(frame->fields.tkRangeShown, 1);
  EXPECT_EQ(frame->fields.tkRangeMax, 2357) << "cancel keeps the values";
  EXPECT_TRUE(frame->Action(kCmdSetTkRange)->isChecked());

  SetDialogRunner([](QDialog& d) {
    auto& dialog = dynamic_cast<CCoordinateDlg&>(d);
    dialog.maxEdit()->setText("3000");
    dialog.minEdit()->setText("abc");
    dialog.channelEdit()->setText("99");
    dialog.accept();
    return static_cast<int>(QDialog::Accepted);
  });
  Run(kCmdSetTkRange);
  EXPECT_EQ(frame->fields.tkRangeShown, 0) << "OK while on switches the watch off";
  EXPECT_EQ(frame->fields.tkRangeMax, 3000);
  EXPECT_EQ(frame->fields.tkRangeMin, 0) << "not a number reads as 0";
  EXPECT_EQ(frame->fields.tkRangeChannel, 15) << "channels stop at 15";

  // The next opening starts from what was stored.
  SetDialogRunner([](QDialog& d) {
    auto& dialog = dynamic_cast<CCoordinateDlg&>(d);
    EXPECT_EQ(dialog.maxEdit()->text(), "3000");
    EXPECT_EQ(dialog.minEdit()->text(), "0");
    EXPECT_EQ(dialog.channelEdit()->text(), "15");
    dialog.minEdit()->setText(" -20 ");
    dialog.channelEdit()->setText("99999999999999");
    dialog.accept();
    return static_cast<int>(QDialog::Accepted);
  });
  Run(kCmdSetTkRange);
  EXPECT_EQ(frame->fields.tkRangeShown, 1);
  EXPECT_EQ(frame->fields.tkRangeMin, -20);
  EXPECT_EQ(frame->fields.tkRangeChannel, 15);
}

TEST_F(FrameCommands, AlgorithmChoiceShowsOrHidesAutoBalance) {
  Open();
  // Each choice then opens the parameter dialog; cancel it.
  SetDialogRunner([](QDialog& d) {
    d.reject();
    return d.result();
  });
  Run(kCmdAlgorithmInte);
  EXPECT_EQ(GlobalSettings::Instance().parameterMode, 2);
  EXPECT_FALSE(frame->viewSetting()->autoBalanceButton()->isHidden());
  EXPECT_TRUE(frame->Action(kCmdAlgorithmInte)->isChecked());
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"T_MSGSETTING"});
  Run(kCmdAlgorithmMa);
  EXPECT_EQ(GlobalSettings::Instance().parameterMode, 1);
  EXPECT_TRUE(frame->viewSetting()->autoBalanceButton()->isHidden());
}

TEST_F(FrameCommands, InstructionsThatAreMissingAreSaidToBe) {
  Open();
  Run(kCmdInstructions);
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{kInstructionsMissingText +
                                                      InstructionsDocumentPath().string()});
}

TEST_F(FrameCommands, PrintButtonsWriteToTheMessageLog) {
  Open();
  frame->viewSetting()->printRawButton()->click();
  EXPECT_EQ(frame->viewKey()->Lines(), std::vector<std::string>{"No Base Line Data to Print."});
  frame->viewSetting()->printThresholdsButton()->click();
  const auto lines = frame->viewKey()->Lines();
  ASSERT_EQ(lines.size(), 1u + 1u + 16u + 1u);
  EXPECT_EQ(lines[1], "============ Threshold:");
  EXPECT_EQ(lines[2], "TH 0 : 40");
}

TEST_F(FrameCommands, DumpThresholdAppendsToTheCurrentDirectory) {
  Open();
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(StateDirectory());
  Run(kCmdDumpThreshold);
  Run(kCmdDumpThreshold);
  std::filesystem::current_path(previous);
  std::ifstream in(StateDirectory() / "data" / "Threhold.txt", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  std::string once;
  for (int i = 0; i < 16; ++i) {
    once += "CH " + std::to_string(i) + "    40\r\n";
  }
  EXPECT_EQ(text, once + once);
  EXPECT_EQ(prompt->Texts(), (std::vector<std::string>{"save ok.", "save ok."}));
}

TEST_F(FrameCommands, ChartListComesBackAndGoesOut) {
  const std::vector<ChartListEntry> saved = {{"a.tkchart", "/x/a.tkchart"},
                                             {"b.tkchart", "/x/b.tkchart"}};
  ASSERT_TRUE(SaveChartList(saved));
  Open();
  QTreeWidget* list = frame->viewSetting()->chartList();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "1");
  EXPECT_EQ(list->topLevelItem(1)->text(1), "b.tkchart");
  EXPECT_TRUE(list->isColumnHidden(2));
  frame->viewSetting()->AddChartEntry(3, "c.tkchart", "/x/c.tkchart");
  frame->close();
  const auto back = LoadChartList();
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[2].path, "/x/c.tkchart");
  frame.reset();
}

TEST_F(FrameCommands, ClearAlsoEmptiesTheChartList) {
  Open();
  frame->viewSetting()->AddChartEntry(1, "a", "/a");
  Run(kCmdClearMessageLog);
  EXPECT_EQ(frame->viewSetting()->ChartCount(), 0);
}

TEST_F(FrameCommands, HongKongFileMenu) {
  setenv("PADSCOPE_MENU", "hk", 1);
  Open();
  QMenu* file = frame->menuBar()->actions().at(0)->menu();
  const auto actions = file->actions();
  ASSERT_EQ(actions.size(), 6);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("調試"));
  EXPECT_EQ(actions[1]->text(), QStringLiteral("算法選擇"));
  EXPECT_EQ(actions[2]->data().toInt(), kCmdHexThresholds);
  EXPECT_EQ(actions[3]->data().toInt(), kCmdExportRange);
  EXPECT_EQ(actions[5]->data().toInt(), kCmdExit);
  EXPECT_EQ(actions[1]->menu()->actions().size(), 2);
}

TEST_F(FrameCommands, ChineseTranslationsAreEmbedded) {
  for (const char* locale : {"zh_CN", "zh_TW"}) {
    QTranslator translator;
    ASSERT_TRUE(translator.load(QString(":/i18n/padscope_") + locale)) << locale;
    EXPECT_FALSE(translator.translate("padscope::CMainFrame", "Load Data").isEmpty());
    EXPECT_FALSE(translator.translate("padscope::CTuningPanel", "Touch and hold %1").isEmpty());
    EXPECT_FALSE(translator.translate("padscope::CCrosstalkMap", "%1 with itself").isEmpty());
  }
}

TEST_F(FrameCommands, AboutBoxShowsVersionRightsAndFirmwareNotes) {
  Open();
  QStringList texts;
  bool iconShown = false;
  QString title;
  SetDialogRunner([&](QDialog& d) {
    title = d.windowTitle();
    for (const QLabel* label : d.findChildren<QLabel*>()) {
      texts << label->text();
      iconShown = iconShown || !label->pixmap().isNull();
    }
    d.accept();
    return static_cast<int>(QDialog::Accepted);
  });
  Run(kCmdAbout);
  EXPECT_EQ(title, "About Padscope");
  EXPECT_TRUE(iconShown) << "the program icon is missing";
  const int version = static_cast<int>(texts.indexOf("Padscope Version 3.X"));
  ASSERT_GE(version, 0);
  ASSERT_LT(version + 1, texts.size());
  EXPECT_EQ(texts[version + 1].toStdString(), VersionLine("padscope")) << "the real version";
  EXPECT_TRUE(texts.contains(QStringLiteral("PELMIRA固件版本说明：")));
  const int heading = static_cast<int>(texts.indexOf(QStringLiteral("PELMIRA固件版本说明：")));
  ASSERT_LE(heading + 3, texts.size() - 1);
  EXPECT_TRUE(texts[heading + 1].contains("w2"));
  EXPECT_TRUE(texts[heading + 2].contains("DW"));
  EXPECT_TRUE(texts[heading + 3].contains("0100"));
  EXPECT_TRUE(texts.filter("Copyright").size() == 1) << "the rights notice is missing";
}

// The menus keep the start-up language; dialogs follow every language change,
// English included, whatever the menus were built in.
TEST_F(FrameCommands, LanguageChangeDecidesTheDialogLanguage) {
  TextTable::Instance().SetLanguage(kLanguageSimplifiedChinese);
  Open();
  const auto dialogText = [] {
    return QCoreApplication::translate("padscope::CMainFrame", "Load Data");
  };
  EXPECT_EQ(frame->Action(kCmdLoadData)->text(), QStringLiteral("加载数据"));
  EXPECT_EQ(dialogText(), QStringLiteral("加载数据"));  // creation applies Simplified Chinese

  Run(kCmdChangeLanguage);
  EXPECT_EQ(TextTable::Instance().Language(), kLanguageTraditionalChinese);
  EXPECT_EQ(dialogText(), QStringLiteral("加載數據"));
  Run(kCmdChangeLanguage);
  EXPECT_EQ(TextTable::Instance().Language(), kLanguageEnglish);
  EXPECT_EQ(dialogText(), "Load Data");
  EXPECT_EQ(frame->Action(kCmdLoadData)->text(), QStringLiteral("加载数据"));

  frame.reset();
  EXPECT_EQ(dialogText(), "Load Data") << "a closed frame leaves no translator behind";
}

TEST_F(FrameCommands, LoadDataAndReplayFromTheChartList) {
  std::vector<uint8_t> chart;
  for (int i = 0; i < 40; ++i) {
    std::vector<uint8_t> r(64, static_cast<uint8_t>(i + 1));
    r[2] = 0x10;
    r[58] = 0;
    chart.insert(chart.end(), r.begin(), r.end());
  }
  chart.insert(chart.end(), 64, 0xFF);
  const auto path = StateDirectory() / "c.tkchart";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(chart.data()),
             static_cast<std::streamsize>(chart.size()));
  auto chooser = std::make_shared<ScriptedFileChooser>();
  SetFileChooser(chooser);
  Open();
  chooser->Answer(path);
  Run(kCmdLoadData);
  EXPECT_EQ(ctx.WriteIndex(), 34);
  EXPECT_EQ(frame->StatusPaneText(130), "c.tkchart");
  QTreeWidget* list = frame->viewSetting()->chartList();
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "0");

  ctx.ResetFrames();
  emit list->itemDoubleClicked(list->topLevelItem(0), 1);
  EXPECT_EQ(ctx.WriteIndex(), 34);
  EXPECT_EQ(frame->StatusPaneText(130).toStdString(), "File: " + path.string());
  EXPECT_EQ(list->topLevelItemCount(), 1) << "a replay adds no entry";
}

TEST_F(FrameCommands, AnEnlargedBufferIsSavedAtCloseAndKeptAtTheNextStart) {
  const auto path = StateDirectory() / "big.tkchart";
  {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> r(64, 5);
    r[2] = 0x10;
    r[58] = 0;
    for (int i = 0; i < 3000; ++i) {
      out.write(r.data(), 64);
    }
    out.write(std::string(64, '\xFF').data(), 64);
  }
  auto chooser = std::make_shared<ScriptedFileChooser>();
  SetFileChooser(chooser);
  Open();
  GlobalSettings::Instance().bufferFrames = 1024;
  chooser->Answer(path);
  Run(kCmdLoadData);
  EXPECT_EQ(ctx.WriteIndex(), 2994);
  EXPECT_EQ(GlobalSettings::Instance().bufferFrames, 3072);
  frame->close();
  frame.reset();

  GlobalSettings::ResetInstanceForTest();
  Open();  // reads "~tmp.tmp" again
  EXPECT_EQ(GlobalSettings::Instance().bufferFrames, 3072);
}

TEST_F(FrameCommands, DraggingAnEntryOutRemovesIt) {
  Open();
  frame->resize(1200, 800);
  frame->show();
  frame->viewSetting()->AddChartEntry(1, "a", "/a");
  frame->viewSetting()->AddChartEntry(2, "b", "/b");
  QTreeWidget* list = frame->viewSetting()->chartList();
  QWidget* viewport = list->viewport();
  const QPoint at = list->visualItemRect(list->topLevelItem(0)).center();
  auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), viewport->mapToGlobal(QPointF(p)), Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(viewport, &e);
  };
  // Released inside the list: kept.
  send(QEvent::MouseButtonPress, at, Qt::LeftButton);
  send(QEvent::MouseMove, at + QPoint(0, 20), Qt::LeftButton);
  send(QEvent::MouseButtonRelease, at + QPoint(0, 20), Qt::NoButton);
  EXPECT_EQ(list->topLevelItemCount(), 2);
  // Released outside: removed.
  const QPoint outside(viewport->width() + 50, at.y());
  send(QEvent::MouseButtonPress, at, Qt::LeftButton);
  send(QEvent::MouseMove, outside, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, outside, Qt::NoButton);
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(1), "b");
}

}  // namespace
}  // namespace padscope
