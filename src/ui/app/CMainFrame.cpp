#include "ui/app/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QEventLoop>
#include <QFile>
#include <QMouseEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QTranslator>
#include <algorithm>
#include <vector>

#include "capture/CaptureContext.h"
#include "capture/CaptureControl.h"
#include "commands/MiscCommands.h"
#include "link/HidAdapter.h"
#include "platform/MessageLog.h"
#include "platform/ProgramFolders.h"
#include "platform/Prompt.h"
#include "state/ChartList.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"
#include "support/ChannelLabel.h"
#include "support/TextTable.h"
#include "tuning/FirstCaptureFit.h"
#include "ui/app/DeviceWatcherQt.h"
#include "ui/app/StatusPaneQt.h"
#include "ui/app/ToolbarIconsQt.h"
#include "ui/support/UpdateCheckQt.h"
#include "ui/views/CViewKey.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"
#include "ui/views/CViewSetting.h"
#include "viewlogic/KeyScopeEdit.h"
#include "viewlogic/KeyScopeGeometry.h"

namespace padscope {

namespace {

CMainFrame* gMainFrame = nullptr;

// Status bar panes after the prompt area: indicator id, the width they ask
// for, the width they may shrink to, and their share of any room left over.
// The file pane (a chart's path) takes the spare room along with the prompt
// area rather than a fixed 800 pixels, so the firmware text stays whole on
// a window of usual width.
struct PaneWidth {
  int id;
  int nominal;
  int minimum;
  int stretch;
};
constexpr PaneWidth kPanes[] = {
    {135, 300, 120, 0}, {132, 60, 60, 0}, {131, 90, 90, 0}, {130, 200, 120, 1}, {129, 150, 100, 0}};

constexpr int kPromptSlack = 16;  // the bar's own margins around the message

// The prompt area's feedback texts as wide as they get: every hover and drag
// text of the two scope views, for the last channel with its current name and
// six-digit values.
std::vector<QString> WidestFeedbackTexts() {
  constexpr int32_t kWide = -100000;
  GlobalSettings sample;
  ChannelConfig& c = sample.channel[kSettingsChannelCount - 1];
  c.threshold = c.secondMax = c.secondMin = c.baseline = kWide;
  sample.zoom = kWide;
  std::vector<QString> texts;
  using namespace keyscope;
  for (int code : {kHitNone, kHitHeader, kHitBarMax, kHitBarMin, kHitBoxThreshold, kHitLine,
                   kHitZoom, kHitSwitch}) {
    texts.push_back(QString::fromStdString(
        HoverStatusText(code, kSettingsChannelCount - 1, sample, ChannelLabel::Instance())));
  }
  texts.push_back(QString::fromStdString(DragStatusText(kSettingsChannelCount - 1, sample)));
  texts.push_back(CViewScope::RangeHoverText(1, kWide));
  texts.push_back(CViewScope::RangeHoverText(2, kWide));
  return texts;
}

constexpr int kPaneValueWidth = 131;
constexpr int kDispatchIntervalMs = 5;

}  // namespace

CMainFrame* theMainFrame() {
  return gMainFrame;
}

ViewHost* theViewHost() {
  return gMainFrame;
}

void CMainFrame::ShowStatusMessage(const QString& text) {
  statusBar()->showMessage(text);
}

QWidget* CMainFrame::KeyScopeView() const {
  return viewKeyScope_;
}

CMainFrame::CMainFrame(CaptureContext& ctx, HidAdapter& adapter, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), adapter_(adapter) {
  GlobalSettings& settings = GlobalSettings::Instance();
  if (!LoadSettings()) {
    // A fresh start: the first capture shows its data rather than the defaults.
    firstFit_ = std::make_unique<FirstCaptureFit>(settings);
  }
  doubleByteShown = settings.singleByteMode == 1 ? 0 : 1;
  // Every channel the current frames carry is shown, whatever the file held.
  for (int i = 0; i < kSettingsChannelCount; ++i) {
    if (ctx_.FrameLayout() == 0 || i < ctx_.channelCount) {
      ShowChannel(settings.channel[i]);
      settings.channel[i].expanded = 1;
    }
  }

  setWindowIcon(ProgramIcon());
  // Menus, tips and prompts are built in the language the text table chose
  // at start-up; the Tuning menu and dock follow it when it is switched.
  windowTranslator_.SetLanguage(TextTable::Instance().Language());
  QCoreApplication::installTranslator(&windowTranslator_);
  BuildActions();
  BuildToolBar();
  BuildMenus();
  BuildPanes();
  BuildTuningDock();
  BuildStatusBar();
  RetranslateTuning();
  setMouseTracking(true);

  ApplyLanguage(2);
  SetStatusPaneText(kPaneValueWidth, doubleByteShown ? "Double 8TK" : "Single 16TK");
  const QString title = LoadVersionTitle();
  if (!title.isEmpty()) {
    setWindowTitle(title);
  }

  deviceWatcher_ = std::make_unique<DeviceWatcher>(adapter_.Backend());
  updateChecker_ = std::make_unique<UpdateChecker>();
  connect(deviceWatcher_.get(), &DeviceWatcher::Arrived, this, &CMainFrame::OnDeviceArrival);
  connect(deviceWatcher_.get(), &DeviceWatcher::Removed, this, &CMainFrame::OnDeviceRemoval);

  connect(&commandStates_, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
  connect(&commandStates_, &QTimer::timeout, this, &CMainFrame::FitFirstCapture);
  commandStates_.start(100);
  UpdateCommandStates();
  gMainFrame = this;
  InstallMessageLogSink();
  // Key presses go to the focused pane first; the numeric-pad accelerators
  // are taken before it sees them.
  qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(this);
  QCoreApplication::removeTranslator(&windowTranslator_);
  if (translator_) {
    QCoreApplication::removeTranslator(translator_.get());
  }
  // A running check ends before the window it may close goes away.
  updateChecker_.reset();
  SetMessageLogSink({});
  if (gMainFrame == this) {
    gMainFrame = nullptr;
  }
}

void CMainFrame::CheckForUpdate(bool reporting) {
  updateChecker_->CheckForUpdate(this, reporting, UpdateBaseAddress());
}

void CMainFrame::SetUpdateChecker(std::unique_ptr<UpdateChecker> checker) {
  updateChecker_ = std::move(checker);
}

void CMainFrame::BuildPanes() {
  outer_ = new QSplitter(Qt::Horizontal, this);
  left_ = new QSplitter(Qt::Vertical, outer_);
  right_ = new QSplitter(Qt::Vertical, outer_);
  viewSetting_ = new CViewSetting(ctx_, adapter_, *this, fields, left_);
  viewKey_ = new CViewKey(left_);
  viewScope_ = new CViewScope(ctx_, fields, right_);
  viewKeyScope_ = new CViewKeyScope(ctx_, fields, right_);
  viewSetting_->setMinimumHeight(60);
  viewScope_->setMinimumHeight(60);
  left_->setMinimumWidth(10);
  for (QSplitter* s : {outer_, left_, right_}) {
    s->setChildrenCollapsible(false);
  }
  // Ideal sizes: the left column 200 wide, its top pane 450 high, the waveform
  // 180 high; the rest goes to the second column and rows.
  outer_->setStretchFactor(1, 1);
  left_->setStretchFactor(1, 1);
  right_->setStretchFactor(1, 1);
  outer_->setSizes({200, 1000});
  left_->setSizes({450, 300});
  right_->setSizes({180, 600});
  setCentralWidget(outer_);

  connect(viewSetting_, &CViewSetting::ReplayRequested, this, [this] { ReplayChart(Charts()); });
  connect(viewSetting_, &CViewSetting::DropRequested, this,
          [this](const QString& path) { LoadDroppedChart(Charts(), path.toStdString()); });
  for (const ChartListEntry& e : LoadChartList()) {
    viewSetting_->AddChartEntry(viewSetting_->ChartCount() + 1, e.name, e.path);
  }
}

void CMainFrame::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("statusBar");
  // Messages are drawn left of the first pane. This spacer holds that room
  // open, also while a message hides it.
  promptArea_ = new QWidget(bar);
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  policy.setRetainSizeWhenHidden(true);
  promptArea_->setSizePolicy(policy);
  FitPromptArea();
  bar->addWidget(promptArea_, 1);
  for (const PaneWidth& w : kPanes) {
    auto* pane = new StatusPane(w.nominal, w.minimum, bar);
    bar->addPermanentWidget(pane, w.stretch);
    panes_[w.id] = pane;
  }
  bar->showMessage(tr("Ready"));
}

void CMainFrame::FitPromptArea() {
  int widest = 0;
  for (const QString& text : WidestFeedbackTexts()) {
    widest = std::max(widest, statusBar()->fontMetrics().horizontalAdvance(text));
  }
  promptArea_->setMinimumWidth(widest + kPromptSlack);
}

void CMainFrame::SetStatusPaneText(int id, const QString& text) {
  const auto it = panes_.find(id);
  if (it == panes_.end()) {
    return;
  }
  it->second->setText(text);
  it->second->repaint();
}

QString CMainFrame::StatusPaneText(int id) const {
  const auto it = panes_.find(id);
  return it == panes_.end() ? QString() : it->second->text();
}

void CMainFrame::OpenChart(const std::string& path) {
  LoadChartFile(Charts(), path);
}

QString CMainFrame::LoadVersionTitle() const {
  QFile file(QString::fromStdString((ResourceDirectory() / "curVer.txt").string()));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    return QStringLiteral("Varnel TK调试工具");
  }
  return QString::fromUtf8(file.readLine()).trimmed();
}

void CMainFrame::ApplyLanguage(int code) {
  TextTable& table = TextTable::Instance();
  // Dialogs opened from now on follow `code`; the menu bar stays as built.
  // The window's own texts follow the text table's language, so the window
  // translator goes in front again, with that language, before the panes
  // are drawn anew.
  QCoreApplication::removeTranslator(&windowTranslator_);
  if (translator_) {
    QCoreApplication::removeTranslator(translator_.get());
  }
  translator_ = std::make_unique<QTranslator>();
  const QString locale = QString::fromUtf8(UiLocaleName(code));
  if (translator_->load(":/i18n/padscope_" + locale)) {
    QCoreApplication::installTranslator(translator_.get());
  }
  windowTranslator_.SetLanguage(table.Language());
  QCoreApplication::installTranslator(&windowTranslator_);

  setWindowTitle(QString::fromStdString(table.Text("ID_WIN_TITLE")));
  ChannelLabel::Instance().RefreshFromTextTable(table);
  FitPromptArea();  // the channel names may have changed
  for (QWidget* view :
       std::initializer_list<QWidget*>{viewKey_, viewKeyScope_, viewScope_, viewSetting_}) {
    if (view != nullptr) {
      view->update();
    }
  }
  if (viewScope_ != nullptr) {
    viewScope_->Refresh();
    viewKeyScope_->Refresh();
  }
}

void CMainFrame::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange && tuningMenu_ != nullptr) {
    RetranslateTuning();
  }
  QMainWindow::changeEvent(event);
}

void CMainFrame::RefreshScopes() {
  QCoreApplication::postEvent(viewScope_, new QEvent(kViewRefreshEvent));
  QCoreApplication::postEvent(viewKeyScope_, new QEvent(kViewRefreshEvent));
}

void CMainFrame::InstallMessageLogSink() {
  SetMessageLogSink([this](const std::string& line) {
    if (QThread::currentThread() == thread()) {
      AppendMessageLog(line);
    } else {
      // The caller waits until the line is in the list, as a sent message would.
      QMetaObject::invokeMethod(
          this, [this, line] { AppendMessageLog(line); }, Qt::BlockingQueuedConnection);
    }
  });
}

void CMainFrame::AppendMessageLog(const std::string& line) {
  viewKey_->AppendLine(QString::fromStdString(line));
}

// --- CaptureHost ----------------------------------------------------------------

void CMainFrame::ReportValueWidth(int width) {
  QMetaObject::invokeMethod(
      this,
      [this, width] {
        if (width == kValueWidthDouble) {
          SetStatusPaneText(kPaneValueWidth, "Double 8TK");
        } else if (width == kValueWidthSingle) {
          SetStatusPaneText(kPaneValueWidth, "Single 16TK");
        }
      },
      Qt::QueuedConnection);
}

void CMainFrame::HideAutoBalanceButton() {
  QMetaObject::invokeMethod(
      this, [this] { viewSetting_->SetAutoBalanceVisible(false); }, Qt::QueuedConnection);
}

void CMainFrame::ShowMessage(const std::string& text) {
  ShowPrompt(text);
}

void CMainFrame::PumpEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

void CMainFrame::AdapterConnected(const HidAdapter& adapter) {
  SetStatusPaneText(132, adapter.IsTwoLineAdapter() ? "2 Line" : "4  Line");
  const char* format = nullptr;
  if (adapter.isCorvex) {
    format = adapter.HasNewerFirmware() ? "CORVEX 固件版本号%1, 有新版本可升级,请联系厂家!"
                                        : "CORVEX 固件版本号%1, 当前为最新版本!";
  } else {
    format = adapter.HasNewerFirmware() ? "Pelmira 固件版本号%1, 有新版本可升级,请联系厂家!"
                                        : "Pelmira 固件版本号%1, 当前为最新版本!";
  }
  SetStatusPaneText(135,
                    QString::fromUtf8(format).arg(QString::fromStdString(adapter.FirmwareText())));
}

// --- ChartHost ------------------------------------------------------------------

ChartTargets CMainFrame::Charts() {
  return ChartTargets{ctx_, GlobalSettings::Instance(), fields, *this};
}

std::vector<std::string> CMainFrame::MessageLogLines() {
  return viewKey_->Lines();
}

int CMainFrame::ChartListCount() {
  return viewSetting_->ChartCount();
}

void CMainFrame::AddChartListEntry(int number, const std::string& name, const std::string& path) {
  viewSetting_->AddChartEntry(number, name, path);
}

void CMainFrame::SetChartStatus(const std::string& text) {
  SetStatusPaneText(130, QString::fromStdString(text));
}

void CMainFrame::DispatchEvent() {
  // Asked every eight records; handling events costs far more than reading
  // eight records, so it is done at most every few milliseconds, which keeps
  // the window as responsive and the reading fast.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDispatch_ < std::chrono::milliseconds(kDispatchIntervalMs)) {
    return;
  }
  lastDispatch_ = now;
  QCoreApplication::processEvents(QEventLoop::AllEvents, kDispatchIntervalMs);
}

void CMainFrame::PausedStep() {
  viewScope_->Refresh();
  viewKeyScope_->Refresh();
  // Up to a second of waiting, but any event (continue, stop) ends it early.
  QEventLoop loop;
  QTimer::singleShot(1000, &loop, &QEventLoop::quit);
  loop.processEvents(QEventLoop::WaitForMoreEvents);
}

void CMainFrame::StopLiveCapture() {
  StopCaptureCommand();
}

void CMainFrame::RedrawScopes() {
  viewScope_->Refresh();
  viewKeyScope_->Refresh();
}

// --- Capture and devices --------------------------------------------------------

void CMainFrame::StartCaptureCommand() {
  fields.logTag = "主线程";
  fields.tkRangeWarned = 0;
  const uint32_t contents = ctx_.generation.load();
  StartCapture(ctx_, adapter_, *this);
  if (ctx_.generation.load() != contents) {
    ShowEmptiedBuffer();  // the frames that come follow by the views' timer
  }
}

void CMainFrame::StopCaptureCommand() {
  fields.logTag = "主线程";
  StopCapture(ctx_, adapter_, *this);
}

void CMainFrame::OnDeviceArrival() {
  HandleDeviceArrival(adapter_, *this);
}

void CMainFrame::OnDeviceRemoval() {
  HandleDeviceRemoval(ctx_, *this);
}

// --- Window events --------------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    fields.playbackStop = 1;  // a chart being read ends too
    StopCaptureCommand();
    // A thread ended by a removal may still be running: wait for it too.
    while (!ctx_.threadFinished) {
      PumpEvents();
      QThread::msleep(10);
    }
    SaveSettings();
    SaveChartList(viewSetting_->ChartEntries());
  }
  event->accept();
}

void CMainFrame::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  statusBar()->showMessage(QStringLiteral("%1,%2").arg(p.x()).arg(p.y()));
  QMainWindow::mouseMoveEvent(event);
}

}  // namespace padscope
