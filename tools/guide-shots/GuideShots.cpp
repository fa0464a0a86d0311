// Takes the pictures of the window for the README and the user guide: runs
// the real main window on the simulated adapter with a scripted touch chip
// (the demo chip, resources/demo.scn), in the language the locale gives as
// the program does, walks it through a fresh start's first capture, the
// Tuning menu, the guided measurement, the crosstalk map, the measurement
// cursors, a threshold dragged and pointed at and a few dialogs, and saves
// what the screen shows of the window as PNG files. scripts/guide-screenshots
// runs it under Xvfb.
//
//   guide-shots OUTPUT_DIR SCENARIO
#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "analysis/AnalysisFrame.h"
#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "link/AdapterInstance.h"
#include "link/HidAdapter.h"
#include "platform/ProgramFolders.h"
#include "platform/Prompt.h"
#include "sim/BackendSelection.h"
#include "state/GlobalSettings.h"
#include "support/TextTable.h"
#include "tuning/BufferPositions.h"
#include "ui/app/CMainFrame.h"
#include "ui/dialogs/DialogRunnerQt.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"

using namespace padscope;

namespace {

class StderrPrompt : public Prompt {
 public:
  PromptButton Show(const PromptRequest& request) override {
    std::fprintf(stderr, "message: %s\n", request.text.c_str());
    return DecliningButton(request.buttons);
  }
};

// Keeps the window running for `ms`, or until `done` holds.
bool Run(int ms, const std::function<bool()>& done = {}) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (done && done()) {
      return true;
    }
  }
  return !done;
}

// Saves what the screen shows of `widget` (a window, or a part of one), and
// of `also` (a menu open over it) when given.
void Grab(QWidget& widget, const QString& path, const QWidget* also = nullptr) {
  QRect r = widget.isWindow() ? widget.frameGeometry()
                              : QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
  if (also != nullptr) {
    r = r.united(also->frameGeometry());
  }
  const QPixmap shot =
      QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
  if (!shot.save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  }
}

void Save(QWidget& widget, const QString& path) {
  Run(300);  // let the last repaints reach the screen
  Grab(widget, path);
}

// The whole window, and the Tuning dock alone as NAME-panel.png.
void SaveWithPanel(CMainFrame& frame, const QString& out, const QString& name) {
  Run(300);
  Grab(frame, out + name + ".png");
  Grab(*frame.tuningDock(), out + name + "-panel.png");
}

void Mouse(QWidget* w, QEvent::Type type, QPoint p, bool held = true) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  held = held && type != QEvent::MouseButtonRelease;
  QMouseEvent event(type, p, w->mapToGlobal(p), button, held ? Qt::LeftButton : Qt::NoButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

// The first and last frame of channel's newest complete touch.
std::optional<std::pair<int, int>> NewestTouch(const CaptureContext& ctx, int channel) {
  AnalysisFrame f;
  int end = -1;
  for (int i = ctx.WriteIndex() - 1; i > 0; --i) {
    ReadAnalysisFrame(ctx, i, true, f);
    const bool on = (f.keys >> channel) & 1;
    if (on && end < 0 && i < ctx.WriteIndex() - 1) {
      end = i;
    } else if (!on && end >= 0) {
      return std::make_pair(i + 1, end);
    }
  }
  return std::nullopt;
}

// Shows a modal dialog the command opens, saves it and closes it.
void ShotOfDialog(CMainFrame& frame, int command, const QString& path) {
  SetDialogRunner([&](QDialog& dialog) {
    dialog.show();
    Run(500);
    const QRect r = dialog.frameGeometry();
    QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).save(path);
    dialog.reject();
    return static_cast<int>(QDialog::Rejected);
  });
  frame.OnCommand(command);
  SetDialogRunner({});
}

// The Tuning menu opened from the menu bar.
void ShotOfTuningMenu(CMainFrame& frame, const QString& path) {
  QMenu* menu = frame.findChild<QMenu*>("tuningMenu");
  if (menu == nullptr) {
    return;
  }
  frame.menuBar()->setActiveAction(menu->menuAction());
  Run(500);
  Grab(frame, path, menu);
  menu->hide();
  Run(200);
}

// Drags CH0's threshold line up a little and points at it: the label names
// the key and the value, and says it is not on the chip yet.
void ShotOfThresholdLabel(CMainFrame& frame, const QString& path) {
  CViewKeyScope* keys = frame.viewKeyScope();
  keys->Refresh();
  if (!keys->layout().lineShown[0]) {
    std::fprintf(stderr, "CH0's threshold line is not in view\n");
    return;
  }
  const int x = 40 + (keys->width() - keys->layout().stripWidth) / 3;
  const int row = keys->layout().thresholdRows[0];
  Mouse(keys, QEvent::MouseMove, {x, row}, false);
  Mouse(keys, QEvent::MouseButtonPress, {x, row});
  Mouse(keys, QEvent::MouseMove, {x, row - 8});
  Mouse(keys, QEvent::MouseButtonRelease, {x, row - 8});
  keys->Refresh();
  Mouse(keys, QEvent::MouseMove, {x + 4, keys->layout().thresholdRows[0]}, false);
  Save(frame, path);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: guide-shots OUTPUT_DIR SCENARIO\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]) + "/";
  SetPrompt(std::make_shared<StderrPrompt>());
  TextTable& texts = TextTable::Instance();
  texts.SetLanguageFromLocale();  // as the program starts: the locale decides
  texts.Load(ResourceDirectory() / "Padscope.xml");
  std::string error;
  std::shared_ptr<HidBackend> backend =
      MakeBackend(SimSelection{SimModel::Pelmira, argv[2]}, error);
  if (!backend) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  SetTheAdapter(std::make_unique<HidAdapter>(std::move(backend)));
  CaptureContext& ctx = theCaptureContext();
  int status = 0;
  {
    CMainFrame frame(ctx, *theAdapter());
    GlobalSettings& settings = GlobalSettings::Instance();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    frame.setGeometry(screen);
    frame.show();
    Run(500);
    CTuningPanel& panel = *frame.tuningPanel();

    // The README's first picture: Start on a fresh start; after the first
    // second both views fit themselves to the data (what scripts/run shows).
    frame.OnCommand(kCmdStartCapture);
    Run(4000);
    Save(frame, out + "quickstart.png");
    ShotOfTuningMenu(frame, out + "tuning-menu.png");

    // The guided measurement, from the Tuning menu.
    frame.OnCommand(kCmdGuidedMeasurement);
    // Half-way through holding CH1, the views fitted to CH0's touch.
    Run(30000, [&] { return panel.walk() && panel.walk()->Current().channel == 1; });
    frame.OnCommand(kCmdFitToData);
    if (Run(30000, [&] {
          return panel.walk() && panel.walk()->Current().channel == 1 &&
                 panel.walk()->Progress() > 0.3;
        })) {
      SaveWithPanel(frame, out, "walk-holding");
    }
    // CH3 is never touched: it is skipped once the others are done.
    if (!Run(30000, [&] { return panel.walk() && panel.walk()->Current().channel == 3; })) {
      std::fprintf(stderr, "the walk did not reach CH3\n");
      status = 1;
    }
    Run(1000);
    panel.SkipStep();
    Run(800);
    SaveWithPanel(frame, out, "tuning-results");
    panel.ShowTab(CTuningPanel::kCrosstalkTab);
    SaveWithPanel(frame, out, "crosstalk");

    // The cursors around CH0's next touch, the capture stopped to hold still.
    const int from = ctx.WriteIndex();
    Run(15000, [&] {
      const auto touch = NewestTouch(ctx, 0);
      return touch && touch->first > from && ctx.WriteIndex() > touch->second + 150;
    });
    frame.OnCommand(kCmdStopCapture);
    frame.OnCommand(kCmdFitToData);
    frame.OnCommand(kCmdMeasure);
    Run(300);
    CViewScope* scope = frame.viewScope();
    if (const auto touch = NewestTouch(ctx, 0)) {
      const FrameWalkParams walk = ScopeWalkParams(ctx, settings.timeAxisMode == 1, scope->width());
      const auto xa = XOfFrame(ctx, walk, touch->second + 20);
      const auto xb = XOfFrame(ctx, walk, touch->first - 20);
      if (xa && xb) {
        const int y = scope->height() / 2;
        Mouse(scope, QEvent::MouseButtonPress, {*xa, y});
        Mouse(scope, QEvent::MouseMove, {(*xa + *xb) / 2, y});
        Mouse(scope, QEvent::MouseMove, {*xb, y});
        Mouse(scope, QEvent::MouseButtonRelease, {*xb, y});
      }
    }
    Save(frame, out + "cursors.png");

    // The window as it opens onto a capture, for the first chapters.
    frame.OnCommand(kCmdMeasure);
    frame.tuningDock()->hide();
    Save(frame, out + "window.png");
    ShotOfThresholdLabel(frame, out + "threshold-label.png");
    ShotOfDialog(frame, kCmdGlobalParameters, out + "parameters.png");
    ShotOfDialog(frame, kCmdUtilities, out + "flash-page.png");
    frame.close();
  }
  SetTheAdapter(nullptr);
  return status;
}
