// The main frame's command table: actions for every command id, the toolbar,
// the menus and accelerators that reach them, the dispatch and the enable and
// check rules.
#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "commands/CommandState.h"
#include "commands/DisplayCommands.h"
#include "commands/MiscCommands.h"
#include "files/Exports.h"
#include "link/HidAdapter.h"
#include "platform/Prompt.h"
#include "state/GlobalSettings.h"
#include "support/TextTable.h"
#include "support/Version.h"
#include "ui/app/CMainFrame.h"
#include "ui/app/ToolbarIconsQt.h"
#include "ui/dialogs/CCoordinateDlg.h"
#include "ui/dialogs/CDlgHex.h"
#include "ui/dialogs/CDlgSetting.h"
#include "ui/dialogs/CDlgUtil.h"
#include "ui/dialogs/CRecharge.h"
#include "ui/dialogs/DialogRunnerQt.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewKey.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"
#include "ui/views/CViewSetting.h"

namespace padscope {

namespace {

// Whether the File menu takes the Hong Kong form (debug and algorithm
// submenus, hex generation).
bool UseHongKongMenu() {
  const QByteArray forced = qgetenv("PADSCOPE_MENU");
  if (!forced.isEmpty()) {
    return forced == "hk";
  }
  return QLocale::system().territory() == QLocale::HongKong;
}

constexpr int kCheckable[] = {kCmdTimeMode,      kCmdDataMode,         kCmdHighPrecision,
                              kCmdLowPrecision,  kCmdLowRangeAsBottom, kCmdSingleByte16Tk,
                              kCmdDoubleByte8Tk, kCmdFollowRawValue,   kCmdEnableLog,
                              kCmdSetTkRange,    kCmdAlgorithmMa,      kCmdAlgorithmInte,
                              kCmdViewToolbar,   kCmdViewStatusBar,    kCmdMeasure,
                              kCmdTuningPanel,   kCmdGuidedMeasurement};

}  // namespace

QAction* CMainFrame::MakeAction(int id, const QString& text, const QString& prompt) {
  auto* action = new QAction(text, this);
  action->setData(id);
  action->setStatusTip(prompt.isEmpty() ? text : prompt);
  const QIcon icon = ToolbarIcon(id);
  if (!icon.pixmap(32).isNull()) {
    action->setIcon(icon);
  }
  connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
  actions_[id] = action;
  return action;
}

QAction* CMainFrame::Action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::BuildActions() {
  MakeAction(kCmdStartCapture, tr("Start"), tr("Start Capture Data."));
  MakeAction(kCmdStopCapture, tr("Stop"), tr("Stop Data Capture."));
  MakeAction(kCmdTimeMode, tr("Time Mode"));
  MakeAction(kCmdDataMode, tr("Data Mode"));
  MakeAction(kCmdHighPrecision, tr("High Precision Sampling"));
  MakeAction(kCmdLowPrecision, tr("Low Precision Sampling"));
  MakeAction(kCmdLowRangeAsBottom, tr("Use low range value as waveform bottom"));
  MakeAction(kCmdKeyRangeUp, tr("Key Range Max +1"));
  MakeAction(kCmdKeyRangeDown, tr("Key Range Max -1"));
  MakeAction(kCmdOutputZoomUp, tr("Output Zoom +1"));
  MakeAction(kCmdOutputZoomDown, tr("Output Zoom -1"));
  MakeAction(kCmdDumpOriginalData, tr("Dump Original Data"));
  MakeAction(kCmdDumpThreshold, tr("Dump Threshold"));
  MakeAction(kCmdLoadData, tr("Load Data"));
  MakeAction(kCmdUtilities, tr("Analy"));
  MakeAction(kCmdClearMessageLog, tr("Clear All Message Log"));
  MakeAction(kCmdGlobalParameters, {});  // the Tuning menu's: RetranslateTuning names it
  MakeAction(kCmdAlgorithmMa, QStringLiteral("MA算法"));
  MakeAction(kCmdAlgorithmInte, QStringLiteral("INTE算法"));
  MakeAction(kCmdHexThresholds, QStringLiteral("生成Hex文件"));
  MakeAction(kCmdSingleByte16Tk, tr("CTK Single byte 16TK"));
  MakeAction(kCmdDoubleByte8Tk, tr("STK/FTK Double bytes 8TK"));
  MakeAction(kCmdPositionCoordinates, tr("Position TK channel coordinates"));
  MakeAction(kCmdRecharge, tr("Recharge"), QStringLiteral("回灌"));
  MakeAction(kCmdCoordZoomIn, tr("Zoom In"));
  MakeAction(kCmdCoordZoomOut, tr("Zoom Out"));
  MakeAction(kCmdRangeUp, tr("Move Up"));
  MakeAction(kCmdRangeDown, tr("Move Down"));
  MakeAction(kCmdRangeUpKey, tr("Move Up"));
  MakeAction(kCmdRangeDownKey, tr("Move Down"));
  MakeAction(kCmdPanLeft, tr("Move Left"));
  MakeAction(kCmdPanRight, tr("Move Right"));
  MakeAction(kCmdRealTimeVideo, tr("Real-time Mode Video"));
  MakeAction(kCmdRecordingVideo, tr("Recording Mode Video"));
  MakeAction(kCmdInstructions, tr("Instructions"));
  MakeAction(kCmdAbout, tr("About Padscope..."));
  MakeAction(kCmdFollowRawValue, tr("Mouse Follow Raw Value"));
  MakeAction(kCmdEnableLog, tr("Enable Log Information"));
  MakeAction(kCmdSetTkRange, tr("Set TK Range"));
  MakeAction(kCmdTogglePlayback, tr("Pause/Continue Playback"));
  MakeAction(kCmdExit, tr("Exit"));
  MakeAction(kCmdViewToolbar, tr("Toolbar"));
  MakeAction(kCmdViewStatusBar, tr("Status Bar"));
  for (int id : {kCmdMeasure, kCmdTuningPanel, kCmdGuidedMeasurement, kCmdFitToData}) {
    MakeAction(id, {});  // named with the Tuning menu
  }
  MakeAction(kCmdExportRange, tr("Export Range..."),
             tr("Save the frames between the measurement cursors."));
  const TextTable& texts = TextTable::Instance();
  MakeAction(kCmdChangeLanguage, QString::fromStdString(texts.Text("T_CHANGELANG")));
  MakeAction(kCmdCheckUpdate, QString::fromStdString(texts.Text("T_CHECKUPDATE")));
  for (int id : kCheckable) {
    actions_[id]->setCheckable(true);
  }

  // Accelerators act wherever the focus is in the window. The numeric pad's
  // + and - are not among them: X11 drops the keypad flag before shortcuts
  // are matched, so a shortcut that asks for it never fires there, and one
  // without it would also take the main keyboard's + and -. eventFilter
  // handles those two keys.
  const std::pair<int, QKeySequence> keys[] = {
      {kCmdGlobalParameters, Qt::Key_F5}, {kCmdClearMessageLog, Qt::Key_F7},
      {kCmdKeyRangeUp, Qt::Key_Up},       {kCmdKeyRangeDown, Qt::Key_Down},
      {kCmdOutputZoomUp, Qt::Key_Right},  {kCmdOutputZoomDown, Qt::Key_Left},
      {kCmdRangeUpKey, Qt::Key_PageUp},   {kCmdRangeDownKey, Qt::Key_PageDown},
      {kCmdPanLeft, Qt::Key_Home},        {kCmdPanRight, Qt::Key_End},
      {kCmdFitToData, Qt::Key_F6},        {kCmdMeasure, Qt::Key_F8},
  };
  for (const auto& [id, key] : keys) {
    actions_[id]->setShortcut(key);
    actions_[id]->setShortcutContext(Qt::WindowShortcut);
    addAction(actions_[id]);
  }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::KeypadModifier &&
        (key->key() == Qt::Key_Plus || key->key() == Qt::Key_Minus)) {
      actions_[key->key() == Qt::Key_Plus ? kCmdCoordZoomIn : kCmdCoordZoomOut]->trigger();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::BuildToolBar() {
  toolBar_ = addToolBar(tr("Toolbar"));
  toolBar_->setObjectName("toolBar");
  toolBar_->setIconSize(QSize(32, 32));
  toolBar_->setMovable(true);
  toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
  toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  const int layout[] = {kCmdStartCapture,
                        kCmdStopCapture,
                        0,
                        kCmdDumpOriginalData,
                        kCmdLoadData,
                        kCmdUtilities,
                        0,
                        kCmdClearMessageLog,
                        0,
                        kCmdAbout,
                        kCmdPositionCoordinates,
                        kCmdRecharge,
                        kCmdCoordZoomIn,
                        kCmdCoordZoomOut,
                        kCmdRangeUp,
                        kCmdRangeDown,
                        kCmdPanLeft,
                        kCmdPanRight,
                        0,
                        kCmdFollowRawValue,
                        kCmdTogglePlayback,
                        0,
                        kCmdMeasure,
                        kCmdFitToData};
  for (int id : layout) {
    if (id == 0) {
      toolBar_->addSeparator();
      continue;
    }
    toolBar_->addAction(actions_[id]);
    if (QWidget* button = toolBar_->widgetForAction(actions_[id])) {
      button->setFixedSize(40, 40);
    }
  }
}

void CMainFrame::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu(tr("&File"));
  if (UseHongKongMenu()) {
    QMenu* debug = file->addMenu(QStringLiteral("調試"));
    debug->addAction(actions_[kCmdDumpThreshold]);
    debug->addAction(actions_[kCmdDumpOriginalData]);
    QMenu* algorithm = file->addMenu(QStringLiteral("算法選擇"));
    algorithm->addAction(actions_[kCmdAlgorithmMa]);
    algorithm->addAction(actions_[kCmdAlgorithmInte]);
    file->addAction(actions_[kCmdHexThresholds]);
  } else {
    file->addAction(actions_[kCmdDumpThreshold]);
    file->addAction(actions_[kCmdDumpOriginalData]);
    file->addAction(actions_[kCmdLoadData]);
    file->addAction(actions_[kCmdUtilities]);
  }
  file->addAction(actions_[kCmdExportRange]);
  file->addSeparator();
  file->addAction(actions_[kCmdExit]);

  QMenu* graph = bar->addMenu(tr("&Graph"));
  graph->addAction(actions_[kCmdTimeMode]);
  graph->addAction(actions_[kCmdDataMode]);
  graph->addSeparator();
  graph->addAction(actions_[kCmdLowRangeAsBottom]);
  graph->addSeparator();
  graph->addAction(actions_[kCmdHighPrecision]);
  graph->addAction(actions_[kCmdLowPrecision]);
  graph->addSeparator();
  for (int id : {kCmdKeyRangeUp, kCmdKeyRangeDown, kCmdOutputZoomUp, kCmdOutputZoomDown}) {
    graph->addAction(actions_[id]);
  }
  graph->addSeparator();
  graph->addAction(actions_[kCmdSingleByte16Tk]);
  graph->addAction(actions_[kCmdDoubleByte8Tk]);

  QMenu* view = bar->addMenu(tr("&View"));
  view->addAction(actions_[kCmdViewToolbar]);
  view->addAction(actions_[kCmdViewStatusBar]);
  view->addSeparator();
  view->addAction(actions_[kCmdClearMessageLog]);
  view->addAction(actions_[kCmdEnableLog]);
  view->addAction(actions_[kCmdSetTkRange]);

  BuildTuningMenu();

  // Without a window system menu, its two entries close the Help menu.
  QMenu* help = bar->addMenu(tr("&Help"));
  for (int id : {kCmdRealTimeVideo, kCmdRecordingVideo, kCmdInstructions, kCmdAbout}) {
    help->addAction(actions_[id]);
  }
  help->addSeparator();
  help->addAction(actions_[kCmdChangeLanguage]);
  help->addSeparator();
  help->addAction(actions_[kCmdCheckUpdate]);

  for (QMenu* menu : {file, graph, view, tuningMenu_, help}) {
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
  }
}

void CMainFrame::UpdateCommandStates() {
  const CheckInputs in{GlobalSettings::Instance(),
                       fields,
                       logEnabled.load(),
                       toolBar_ != nullptr && toolBar_->isVisible(),
                       statusBar()->isVisible(),
                       viewScope_ != nullptr && viewScope_->measuring(),
                       tuningDock_ != nullptr && tuningDock_->isVisible(),
                       tuningPanel_ != nullptr && tuningPanel_->walk().has_value() &&
                           !tuningPanel_->walk()->Finished()};
  const int runState = ctx_.runState;
  const TextTable& texts = TextTable::Instance();
  const bool rangeMarked = viewScope_ != nullptr && viewScope_->cursors().Resolve(ctx_);
  const auto update = [&](int id, QAction* action) {
    bool enabled = IsCommandEnabled(id, runState, rangeMarked);
    if (id == kCmdRealTimeVideo || id == kCmdRecordingVideo) {
      enabled = enabled && !HelpVideoAddress(texts, id).empty();
    }
    action->setEnabled(enabled);
    if (const std::optional<bool> checked = IsCommandChecked(id, in)) {
      action->setChecked(*checked);
    }
  };
  for (const auto& [id, action] : actions_) {
    update(id, action);
  }
  for (QAction* action : menuCopies_) {
    update(action->data().toInt(), action);
  }
}

void CMainFrame::OnCommand(int id) {
  switch (id) {
    case kCmdStartCapture:
      StartCaptureCommand();
      break;
    case kCmdStopCapture:
      StopCaptureCommand();
      break;
    case kCmdClearMessageLog:
      viewKey_->Clear();
      viewSetting_->ClearCharts();
      break;
    case kCmdEnableLog:
      padscope::ToggleLogging(*this, fields);
      break;
    case kCmdAlgorithmMa:
    case kCmdAlgorithmInte:
      viewSetting_->SetAutoBalanceVisible(ChooseAlgorithm(
          GlobalSettings::Instance(), id == kCmdAlgorithmMa ? Algorithm::kMa : Algorithm::kInte));
      ShowPrompt(TextTable::Instance().Text("T_MSGSETTING"));
      OpenGlobalParameterDialog();
      break;
    case kCmdGlobalParameters:
      OpenGlobalParameterDialog();
      break;
    case kCmdRealTimeVideo:
    case kCmdRecordingVideo:
      OpenDocument(QString::fromStdString(HelpVideoAddress(TextTable::Instance(), id)));
      break;
    case kCmdInstructions:
      OpenInstructions();
      break;
    case kCmdAbout:
      ShowAbout();
      break;
    case kCmdChangeLanguage:
      ApplyLanguage(TextTable::Instance().NextLanguage());
      break;
    case kCmdCheckUpdate:
      CheckForUpdate(true);
      break;
    case kCmdTogglePlayback:
      fields.playbackRunning = fields.playbackRunning ? 0 : 1;
      break;
    case kCmdViewToolbar:
      toolBar_->setVisible(!toolBar_->isVisible());
      break;
    case kCmdViewStatusBar:
      statusBar()->setVisible(!statusBar()->isVisible());
      break;
    case kCmdExit:
      close();
      break;
    case kCmdSetTkRange: {
      CCoordinateDlg dialog(fields, this);
      RunDialog(dialog);
      // Whatever closed the dialog, the command also switches the watch.
      ToggleTkRangeShown(fields);
      viewScope_->Refresh();
      break;
    }
    case kCmdHexThresholds: {
      CDlgHex dialog(this);
      RunDialog(dialog);
      break;
    }
    case kCmdDumpThreshold:
      DumpThresholdCommand();
      break;
    case kCmdDumpOriginalData:
      DumpOriginalData(Charts());
      break;
    case kCmdLoadData:
      LoadChart(Charts());
      break;
    case kCmdUtilities:
      OpenUtilitiesDialog();
      break;
    case kCmdMeasure:
      ToggleMeasure();
      break;
    case kCmdTuningPanel:
      ToggleTuningPanel();
      break;
    case kCmdGuidedMeasurement:
      ToggleGuidedMeasurement();
      break;
    case kCmdFitToData:
      FitToDataCommand();
      break;
    case kCmdExportRange:
      tuningPanel_->ExportRange();
      break;
    case kCmdRecharge: {
      CRecharge dialog(adapter_, this);
      RunDialog(dialog);
      break;
    }
    default:
      HandleDisplayCommand(id);
      break;
  }
  UpdateCommandStates();
  emit CommandRan(id);
}

void CMainFrame::OpenUtilitiesDialog() {
  FlashPageContext context{ctx_,
                           adapter_,
                           devicePresent,
                           [] { return GlobalSettings::Instance().bufferFrames; },
                           [this](const HidAdapter& adapter) {
                             SetStatusPaneText(132,
                                               adapter.IsTwoLineAdapter() ? "2 Line" : "4  Line");
                           },
                           [this]() -> std::optional<std::string> {
                             if (!SaveChart(Charts())) {
                               return std::nullopt;
                             }
                             return fields.chartName;
                           }};
  CDlgUtil dialog(std::move(context), this);
  RunDialog(dialog);
}

void CMainFrame::HandleDisplayCommand(int id) {
  const DisplayResult result =
      RunDisplayCommand(id, DisplayTargets{GlobalSettings::Instance(), ctx_, fields, *this});
  if (!result.handled) {
    return;
  }
  if (result.channelModeText != nullptr) {
    SetStatusPaneText(131, QString::fromUtf8(result.channelModeText));
  }
  if (result.repaint & kRefreshScope) {
    QCoreApplication::postEvent(viewScope_, new QEvent(kViewRefreshEvent));
  }
  if (result.repaint & kRefreshKeyScope) {
    QCoreApplication::postEvent(viewKeyScope_, new QEvent(kViewRefreshEvent));
  }
  if (result.repaint & kRedrawScope) {
    viewScope_->Refresh();
  }
  if (result.repaint & kRedrawKeyScope) {
    viewKeyScope_->Refresh();
  }
}

// Global Parameter Setting (F5, and after an algorithm choice). The waveform
// view is redrawn afterwards whichever button closed the dialog.
void CMainFrame::OpenGlobalParameterDialog() {
  CDlgSetting dialog(GlobalSettings::Instance(), ctx_, &adapter_, this);
  // OK reallocates the frame buffer: a capture no file has is offered for
  // saving first.
  dialog.SetBufferHooks(
      {[this] { return MayDiscardFrames(Charts()); }, [this] { ShowEmptiedBuffer(); }});
  const bool sent = RunDialog(dialog) == QDialog::Accepted;
  GlobalSettings& settings = GlobalSettings::Instance();
  if (sent && settings.parameterMode == 2) {
    // INTE's one threshold went out with the parameters: the keys showing
    // that threshold have it on the chip.
    for (int k = 0; k < kSettingsChannelCount; ++k) {
      if (settings.channel[static_cast<size_t>(k)].EffectiveThreshold() == settings.debounceTime) {
        fields.unsentThresholds &= static_cast<uint16_t>(~(1u << k));
      }
    }
  }
  viewScope_->Refresh();
  viewKeyScope_->Refresh();
}

void CMainFrame::ShowEmptiedBuffer() {
  fields.chartName.clear();
  SetChartStatus({});
  RedrawScopes();
  tuningPanel_->ShowNewContents();
}

// Appends the shown channels' thresholds to "data/Threhold.txt" of the current
// directory; a file that cannot be opened is passed over silently.
void CMainFrame::DumpThresholdCommand() {
  if (AppendThresholdDump(".", GlobalSettings::Instance())) {
    ShowPrompt("save ok.");
  }
}

bool CMainFrame::OpenDocument(const QString& target) {
  if (target.isEmpty()) {
    return false;
  }
  const QUrl url = target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(target);
  return QDesktopServices::openUrl(url);
}

// Unlike the videos' addresses, the document is the program's own: when it
// is not there or nothing can show it, the user is told where it should be.
void CMainFrame::OpenInstructions() {
  const std::filesystem::path path = InstructionsDocumentPath();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    ShowPrompt(kInstructionsMissingText + path.string(), PromptIcon::Warning);
  } else if (!OpenDocument(QString::fromStdString(path.string()))) {
    ShowPrompt(kInstructionsNotOpenedText + path.string(), PromptIcon::Warning);
  }
}

void CMainFrame::ShowAbout() {
  QDialog about(this);
  about.setWindowTitle(QString::fromUtf8(kAboutTitle));
  auto* layout = new QVBoxLayout(&about);
  auto* icon = new QLabel(&about);
  icon->setPixmap(windowIcon().pixmap(32));
  layout->addWidget(icon);
  layout->addWidget(new QLabel(QString::fromUtf8(kAboutVersion), &about));
  // The release the program really is, as --version names it.
  layout->addWidget(new QLabel(QString::fromStdString(VersionLine("padscope")), &about));
  for (const char* text : {kAboutRights, "", kAboutFirmwareHeading}) {
    layout->addWidget(new QLabel(QString::fromUtf8(text), &about));
  }
  for (const char* note : kAboutFirmwareNotes) {
    layout->addWidget(new QLabel(QString::fromUtf8(note), &about));
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
  connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  layout->addWidget(buttons);
  RunDialog(about);
}

}  // namespace padscope
