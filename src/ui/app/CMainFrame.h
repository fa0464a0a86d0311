#pragma once

#include <QMainWindow>
#include <QTimer>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capture/CaptureHost.h"
#include "files/ChartCommands.h"
#include "state/FrameFields.h"
#include "ui/app/WindowTranslatorQt.h"
#include "ui/views/ViewHost.h"

class QAction;
class QDockWidget;
class QMenu;
class QSplitter;
class QToolBar;
class QTranslator;

namespace padscope {

class CaptureContext;
class CViewKey;
class CViewKeyScope;
class CViewScope;
class CViewSetting;
class CTuningPanel;
class DeviceWatcher;
class FirstCaptureFit;
class HidAdapter;
class StatusPane;
class UpdateChecker;

// The main window: toolbar, the four panes in their splitters, the status bar,
// the menus and the command table. It is the capture engine's host (value
// width, message boxes, the shared flags) and the message log's sink.
// UI thread, except the CaptureHost calls the capture thread makes.
class CMainFrame : public QMainWindow, public CaptureHost, public ChartHost, public ViewHost {
  Q_OBJECT

 public:
  // Loads the settings record and marks the channels shown, then builds the
  // window. The context and adapter outlive the frame.
  CMainFrame(CaptureContext& ctx, HidAdapter& adapter, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Runs one command of the command table, as its menu item, toolbar button or
  // accelerator would.
  void OnCommand(int id) override;
  // The action a command id is reached by (menu, toolbar or accelerator).
  QAction* Action(int id) const;
  // Applies the enable and check rules of every command.
  void UpdateCommandStates();
  // Load Data of the chart named on the command line.
  void OpenChart(const std::string& path);

  void SetStatusPaneText(int id, const QString& text) override;
  void ShowStatusMessage(const QString& text) override;
  QString StatusPaneText(int id) const;

  // Retitles the window, refreshes the channel labels, redraws the panes and
  // switches the dialog language (1 English, 2 Simplified, 3 Traditional Chinese).
  void ApplyLanguage(int code);
  // Posts a refresh request to both scope views.
  void RefreshScopes() override;

  FrameFields fields;

  CViewSetting* viewSetting() const { return viewSetting_; }
  CViewKey* viewKey() const { return viewKey_; }
  CViewScope* viewScope() const { return viewScope_; }
  CViewKeyScope* viewKeyScope() const { return viewKeyScope_; }
  QWidget* KeyScopeView() const override;
  QToolBar* toolBar() const { return toolBar_; }
  CTuningPanel* tuningPanel() const { return tuningPanel_; }
  QDockWidget* tuningDock() const { return tuningDock_; }
  DeviceWatcher* deviceWatcher() const { return deviceWatcher_.get(); }

  // Starts an update check owned by this window against UpdateBaseAddress();
  // `reporting` also tells when there is nothing new or the check failed.
  void CheckForUpdate(bool reporting);
  UpdateChecker& updateChecker() { return *updateChecker_; }
  // Replaces the checker (tests give one with their own surroundings).
  void SetUpdateChecker(std::unique_ptr<UpdateChecker> checker);

  // CaptureHost
  void ReportValueWidth(int width) override;
  void HideAutoBalanceButton() override;
  void ShowMessage(const std::string& text) override;
  void PumpEvents() override;
  void AdapterConnected(const HidAdapter& adapter) override;

  // ChartHost
  std::vector<std::string> MessageLogLines() override;
  int ChartListCount() override;
  void AddChartListEntry(int number, const std::string& name, const std::string& path) override;
  void SetChartStatus(const std::string& text) override;
  void DispatchEvent() override;
  void PausedStep() override;
  void StopLiveCapture() override;
  void RedrawScopes() override;

  // The chart commands with this frame's state.
  ChartTargets Charts();

 signals:
  void CommandRan(int id);

 protected:
  // Numeric-pad + and - reach coordinate zoom in and out wherever the focus
  // is in this window.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A language switch gives the window's own texts (the Tuning menu and
  // dock) the new language; the other menus stay as they were built.
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void BuildPanes();
  void BuildStatusBar();
  // Keeps the room left of the status panes as wide as the widest feedback.
  void FitPromptArea();
  void BuildActions();
  void BuildToolBar();
  void BuildMenus();
  QAction* MakeAction(int id, const QString& text, const QString& prompt = {});
  void InstallMessageLogSink();
  void AppendMessageLog(const std::string& line);
  QString LoadVersionTitle() const;

  void StartCaptureCommand();
  void StopCaptureCommand();
  void ToggleLogging();
  void ClearMessageLog();
  void ShowAbout();
  void DumpThresholdCommand();
  void OpenGlobalParameterDialog();
  // After the frame buffer was emptied: the scopes, the "data:" and chart
  // panes and the Tuning panel show it at once.
  void ShowEmptiedBuffer();
  void OpenUtilitiesDialog();
  // Hands a file or an address to the desktop; false when nothing took it.
  bool OpenDocument(const QString& target);
  void OpenInstructions();
  void HandleDisplayCommand(int id);
  void OnDeviceArrival();
  void OnDeviceRemoval();

  // Tuning (CMainFrameTuning.cpp).
  void BuildTuningDock();
  // The Tuning menu: every tuning command, in every language.
  void BuildTuningMenu();
  // Sets the Tuning menu's, its commands' and the dock's texts in the
  // window's language.
  void RetranslateTuning();
  void ToggleMeasure();
  void ToggleTuningPanel();
  void ShowTuningDock();
  void ToggleGuidedMeasurement();
  void FitToDataCommand();
  // A fresh start fits both views to the first second of the first capture.
  void FitFirstCapture();

  CaptureContext& ctx_;
  HidAdapter& adapter_;
  std::map<int, QAction*> actions_;
  // Further actions of commands that also have one in actions_: the Tuning
  // menu's own items for the algorithm choice and the HEX file, whose texts
  // in the Hong Kong File menu stay as they are.
  std::vector<QAction*> menuCopies_;
  QMenu* tuningMenu_ = nullptr;
  std::map<int, StatusPane*> panes_;
  QWidget* promptArea_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  CViewSetting* viewSetting_ = nullptr;
  CViewKey* viewKey_ = nullptr;
  CViewScope* viewScope_ = nullptr;
  CViewKeyScope* viewKeyScope_ = nullptr;
  CTuningPanel* tuningPanel_ = nullptr;
  QDockWidget* tuningDock_ = nullptr;
  bool tuningDockSized_ = false;
  QSplitter* outer_ = nullptr;
  QSplitter* left_ = nullptr;
  QSplitter* right_ = nullptr;
  QTimer commandStates_;
  std::unique_ptr<QTranslator> translator_;  // the thread language's, for dialogs
  WindowTranslator windowTranslator_;        // the text table's, for the window's own texts
  std::unique_ptr<FirstCaptureFit> firstFit_;
  std::unique_ptr<DeviceWatcher> deviceWatcher_;
  std::unique_ptr<UpdateChecker> updateChecker_;
  bool closed_ = false;
  std::chrono::steady_clock::time_point lastDispatch_;
};

// The main frame while it exists, else null.
CMainFrame* theMainFrame();

}  // namespace padscope
