#include "app/CPadscopeApp.h"

#include <QApplication>
#include <QScreen>
#include <QStandardPaths>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "app/CMainFrame.h"
#include "app/ToolbarIconsQt.h"
#include "capture/CaptureContext.h"
#include "link/AdapterInstance.h"
#include "link/HidAdapter.h"
#include "platform/FileLock.h"
#include "platform/LockDirectory.h"
#include "platform/ProgramDirectory.h"
#include "platform/PromptQt.h"
#include "sim/BackendSelection.h"
#include "support/TextTable.h"
#include "support/UpdateInstall.h"

namespace padscope {

namespace {

// --simulate[=pelmira|corvex][:SCENARIO] on the command line, else PADSCOPE_SIMULATE.
std::optional<SimSelection> SimulateOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--simulate" || arg.rfind("--simulate=", 0) == 0) {
      return ParseSimulateValue(arg.size() > 10 ? arg.substr(11) : "");
    }
  }
  return SimulateFromEnvironment();
}

// 1400 x 900, or what the screen has room for: on a small screen the status
// bar and the right edge of the views must not start outside it.
QSize FirstWindowSize() {
  QSize size(1400, 900);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableGeometry().size());
  }
  return size;
}

// With PADSCOPE_NONINTERACTIVE set (scripts, tests), message boxes go to
// standard error and are answered with their declining button.
class StderrPrompt : public Prompt {
 public:
  PromptButton Show(const PromptRequest& request) override {
    std::fprintf(stderr, "%s\n", request.text.c_str());
    return DecliningButton(request.buttons);
  }
};

// An update that stopped half-way (the updater or the machine died) is
// finished or undone before the program uses its files.
void FinishInterruptedUpdate() {
  std::string error;
  const std::filesystem::path folder = QCoreApplication::applicationDirPath().toStdString();
  switch (RecoverInterruptedInstall(folder, error)) {
    case RecoveryResult::kNothingToDo:
      break;
    case RecoveryResult::kFinished:
      std::fprintf(stderr, "An interrupted update of %s was completed.\n", folder.c_str());
      break;
    case RecoveryResult::kUndone:
      std::fprintf(stderr, "An interrupted update of %s was undone.\n", folder.c_str());
      break;
    case RecoveryResult::kFailed:
      ShowPrompt("An interrupted update could not be completed or undone: " + error,
                 PromptIcon::Warning);
      break;
  }
}

}  // namespace

int RunPadscopeApp(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Padscope");
  QApplication::setWindowIcon(ProgramIcon());
  if (qEnvironmentVariableIsSet("PADSCOPE_NONINTERACTIVE")) {
    SetPrompt(std::make_shared<StderrPrompt>());
  } else {
    SetPrompt(std::make_shared<QtPrompt>());
  }
  SetFileChooser(std::make_shared<QtFileChooser>());

  CaptureContext* ctx = nullptr;
  try {
    ctx = &theCaptureContext();
  } catch (const std::bad_alloc&) {
    ShowPrompt("mem err.");
    return 1;
  }

  // The text table lives beside the program.
  TextTable& texts = TextTable::Instance();
  texts.SetLanguageFromLocale();
  texts.Load(ProgramDirectory() / "Padscope.xml");

  // One instance per user: the guard lives in the user's runtime folder. A
  // guard that cannot be used at all does not keep the program from starting.
  SetRuntimeDirectory(
      QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).toStdString());
  const FileLock instance(LockDirectory() / kInstanceLockName, std::chrono::milliseconds(0));
  if (instance.state() == FileLock::State::kBusy) {
    ShowPrompt(texts.Text("T_ISEXIST"), PromptIcon::Warning, PromptButtons::Ok,
               texts.Text("ID_WIN_TITLE"));
    return 0;
  }
  if (instance.Held()) {
    FinishInterruptedUpdate();
  }

  std::string backendError;
  std::shared_ptr<HidBackend> backend = MakeBackend(SimulateOption(argc, argv), backendError);
  if (!backend) {
    ShowPrompt(backendError);
    return 1;
  }
  SetTheAdapter(std::make_unique<HidAdapter>(std::move(backend)));
  int status = 0;
  {
    CMainFrame frame(*ctx, *theAdapter());
    // The silent check at start-up; start-up waits only for its pause, not for
    // the server.
    frame.CheckForUpdate(false);
    frame.resize(FirstWindowSize());
    frame.show();
    status = QApplication::exec();
  }
  SetTheAdapter(nullptr);
  return status;
}

}  // namespace padscope
