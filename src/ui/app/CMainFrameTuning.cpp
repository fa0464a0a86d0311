// The main frame's tuning tools: the Tuning dock, the waveform view's measure
// mode and Fit to Data.
#include <QDockWidget>
#include <QStatusBar>
#include <algorithm>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "state/GlobalSettings.h"
#include "tuning/FitToData.h"
#include "ui/app/CMainFrame.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"

namespace padscope {

void CMainFrame::BuildTuningDock() {
  tuningDock_ = new QDockWidget(tr("Tuning"), this);
  tuningDock_->setObjectName("tuningDock");
  tuningDock_->setAllowedAreas(Qt::AllDockWidgetAreas);
  tuningPanel_ = new CTuningPanel(ctx_, adapter_, *viewScope_, tuningDock_);
  tuningDock_->setWidget(tuningPanel_);
  addDockWidget(Qt::BottomDockWidgetArea, tuningDock_);
  tuningDock_->hide();
  connect(tuningPanel_, &CTuningPanel::StartCaptureRequested, this,
          [this] { OnCommand(kCmdStartCapture); });
  connect(tuningPanel_, &CTuningPanel::ThresholdsChanged, this, &CMainFrame::RedrawScopes);
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
    statusBar()->showMessage(tr("Measure: drag on the waveform to place the cursors."));
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

void CMainFrame::FitToDataCommand() {
  const FitViews views{viewScope_->width(), viewKeyScope_->width(), viewKeyScope_->height(),
                       fields.coordBase};
  if (!FitToData(ctx_, GlobalSettings::Instance(), views)) {
    statusBar()->showMessage(tr("Fit to Data: no values in view."));
    return;
  }
  RedrawScopes();
}

}  // namespace padscope
