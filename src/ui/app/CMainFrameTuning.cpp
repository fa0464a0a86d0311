// The main frame's tuning tools: the Tuning menu, the Tuning dock, the
// waveform view's measure mode, the guided measurement and Fit to Data.
#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <algorithm>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "state/GlobalSettings.h"
#include "tuning/FirstCaptureFit.h"
#include "tuning/FitToData.h"
#include "ui/app/CMainFrame.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"

namespace padscope {

void CMainFrame::BuildTuningMenu() {
  tuningMenu_ = menuBar()->addMenu(QString());
  tuningMenu_->setObjectName("tuningMenu");
  // The algorithm choice and the HEX file have items of their own here: the
  // Hong Kong File menu keeps its texts for them.
  for (int id : {kCmdAlgorithmMa, kCmdAlgorithmInte}) {
    auto* copy = new QAction(this);
    copy->setData(id);
    copy->setCheckable(true);
    connect(copy, &QAction::triggered, this, [this, id] { OnCommand(id); });
    menuCopies_.push_back(copy);
    tuningMenu_->addAction(copy);
  }
  tuningMenu_->addAction(actions_[kCmdGlobalParameters]);
  auto* hex = new QAction(this);
  hex->setData(kCmdHexThresholds);
  connect(hex, &QAction::triggered, this, [this] { OnCommand(kCmdHexThresholds); });
  menuCopies_.push_back(hex);
  tuningMenu_->addAction(hex);
  tuningMenu_->addSeparator();
  for (int id : {kCmdMeasure, kCmdTuningPanel, kCmdGuidedMeasurement, kCmdFitToData}) {
    tuningMenu_->addAction(actions_[id]);
  }
}

void CMainFrame::RetranslateTuning() {
  tuningMenu_->setTitle(tr("&Tuning"));
  const auto name = [](QAction* action, const QString& text, const QString& prompt) {
    action->setText(text);
    action->setStatusTip(prompt);
    action->setToolTip(QString(text).remove(QStringLiteral("...")));
  };
  const QString copyTexts[][2] = {
      {tr("MA Algorithm"), tr("Each key keeps its own threshold; then the global parameters.")},
      {tr("INTE Algorithm (Auto Balance)"),
       tr("One threshold for every key and the Auto Balance button; then the global "
          "parameters.")},
      {tr("Generate Hex File..."), tr("Patch the thresholds into a firmware HEX file.")},
  };
  for (size_t i = 0; i < menuCopies_.size(); ++i) {
    name(menuCopies_[i], copyTexts[i][0], copyTexts[i][1]);
  }
  name(actions_[kCmdGlobalParameters], tr("Global Parameters..."),
       tr("Send the sensing parameters (channel timer, sampling, hold, debounce) to the chip."));
  name(actions_[kCmdMeasure], tr("Measure"),
       tr("Place two cursors on the waveform view and read what lies between them."));
  name(actions_[kCmdTuningPanel], tr("Tuning Panel"),
       tr("Show the tuning panel: noise, signal, SNR and thresholds of every key."));
  name(actions_[kCmdGuidedMeasurement], tr("Guided Measurement"),
       tr("Hands off the keys, then touch each key in turn: measures noise and signal of "
          "every key."));
  name(actions_[kCmdFitToData], tr("Fit to Data"),
       tr("Fit the waveform and output ranges to the values in view."));
  tuningDock_->setWindowTitle(tr("Tuning"));
}

void CMainFrame::BuildTuningDock() {
  tuningDock_ = new QDockWidget(this);
  tuningDock_->setObjectName("tuningDock");
  tuningDock_->setAllowedAreas(Qt::AllDockWidgetAreas);
  tuningPanel_ = new CTuningPanel(ctx_, adapter_, *viewScope_, tuningDock_);
  tuningDock_->setWidget(tuningPanel_);
  addDockWidget(Qt::BottomDockWidgetArea, tuningDock_);
  tuningDock_->hide();
  connect(tuningPanel_, &CTuningPanel::StartCaptureRequested, this,
          [this] { OnCommand(kCmdStartCapture); });
  connect(tuningPanel_, &CTuningPanel::ThresholdsChanged, this, [this](uint16_t sent) {
    fields.unsentThresholds &= static_cast<uint16_t>(~sent);
    RedrawScopes();
  });
  // Closing the dock by its own button unticks the menu item too.
  connect(tuningDock_, &QDockWidget::visibilityChanged, this, &CMainFrame::UpdateCommandStates);
  connect(viewScope_, &CViewScope::CursorsChanged, this, [this](bool settled) {
    if (settled) {
      UpdateCommandStates();
    }
  });
}

void CMainFrame::ToggleMeasure() {
  const bool on = !viewScope_->measuring();
  viewScope_->SetMeasuring(on);
  if (on) {
    // The read-out comes with the cursors.
    ShowTuningDock();
    tuningPanel_->ShowTab(CTuningPanel::kCursorsTab);
    statusBar()->showMessage(tr("Measure: press on the waveform for cursor A, drag for B."));
  }
}

void CMainFrame::ShowTuningDock() {
  if (tuningDock_->isVisible()) {
    return;
  }
  tuningDock_->show();
  if (!tuningDockSized_ && !tuningDock_->isFloating()) {
    // Under a third of the window: the scopes keep most of it, and on a
    // small screen the key scope keeps room for its plot above its key boxes.
    tuningDockSized_ = true;
    resizeDocks({tuningDock_}, {std::min(300, height() * 28 / 100)}, Qt::Vertical);
  }
}

void CMainFrame::ToggleTuningPanel() {
  if (tuningDock_->isVisible()) {
    tuningDock_->hide();
  } else {
    ShowTuningDock();
  }
}

void CMainFrame::ToggleGuidedMeasurement() {
  ShowTuningDock();
  tuningPanel_->ShowTab(CTuningPanel::kAnalysisTab);
  if (tuningPanel_->walk() && !tuningPanel_->walk()->Finished()) {
    tuningPanel_->StopWalk();
  } else {
    tuningPanel_->StartWalk();
  }
}

void CMainFrame::FitToDataCommand() {
  const FitViews views{viewScope_->width(), viewKeyScope_->width(), viewKeyScope_->height(),
                       fields.coordBase};
  if (!FitToData(ctx_, GlobalSettings::Instance(), views)) {
    statusBar()->showMessage(tr("Fit to Data: no values in view."));
    return;
  }
  RedrawScopes();
}

void CMainFrame::FitFirstCapture() {
  if (!firstFit_) {
    return;
  }
  const FitViews views{viewScope_->width(), viewKeyScope_->width(), viewKeyScope_->height(),
                       fields.coordBase};
  const FirstCaptureFit::State state = firstFit_->Poll(ctx_, GlobalSettings::Instance(), views);
  if (state == FirstCaptureFit::State::Waiting) {
    return;
  }
  firstFit_.reset();
  if (state == FirstCaptureFit::State::Fitted) {
    RedrawScopes();
    statusBar()->showMessage(tr("Views fitted to the first second of data; F6 fits them again."));
  }
}

}  // namespace padscope
