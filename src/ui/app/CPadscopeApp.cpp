#include "ui/app/CPadscopeApp.h"

#include <QApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "capture/CaptureContext.h"
#include "commands/ProgramOptions.h"
#include "link/AdapterInstance.h"
#include "link/HidAdapter.h"
#include "platform/FileLock.h"
#include "platform/LockDirectory.h"
#include "platform/ProgramFolders.h"
#include "sim/BackendSelection.h"
#include "support/TextTable.h"
#include "support/UpdateInstall.h"
#include "support/Version.h"
#include "ui/app/CMainFrame.h"
#include "ui/app/ToolbarIconsQt.h"
#include "ui/platform/PromptQt.h"

namespace padscope {

namespace {

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

// --help and --version print and end the program; a usage error ends it with
// status 2. Otherwise nothing.
std::optional<int> AnswerOptions(const ProgramOptions& options) {
  if (!options.error.empty()) {
    std::fprintf(stderr, "padscope: %s\n%s", options.error.c_str(), ProgramUsage().c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(ProgramUsage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s\n", VersionLine("padscope").c_str());
    return 0;
  }
  return std::nullopt;
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
  if (CurrentProgramFolders().installed) {
    return;  // the package manager owns the installation
  }
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
  // Answered before the window system is touched: no display is needed.
  if (AsksForHelpOrVersion(Arguments(argc, argv))) {
    return *AnswerOptions(ParseProgramOptions(Arguments(argc, argv)));
  }
  QApplication app(argc, argv);  // takes Qt's own options out of argv
  const ProgramOptions options = ParseProgramOptions(Arguments(argc, argv));
  if (const std::optional<int> status = AnswerOptions(options)) {
    return *status;
  }
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
    if (options.offsetValues) {
      ctx->valueEncoding = ValueEncoding::Offset;
    }
  } catch (const std::bad_alloc&) {
    ShowPrompt("mem err.");
    return 1;
  }

  // The user's folders as Qt knows them; the state folder (settings, chart
  // list, log, and the locks when there is no runtime folder) may be new.
  SetUserDataDirectory(
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString());
  SetRuntimeDirectory(
      QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).toStdString());
  if (!EnsureStateDirectory()) {
    std::fprintf(stderr, "padscope: cannot create the folder %s; settings will not be kept.\n",
                 StateDirectory().string().c_str());
  }

  TextTable& texts = TextTable::Instance();
  texts.SetLanguageFromLocale();
  texts.Load(ResourceDirectory() / kTextTableFile);

  // One instance per user: the guard lives in the user's runtime folder. A
  // guard that cannot be used at all does not keep the program from starting.
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
  std::shared_ptr<HidBackend> backend = MakeBackend(options.simulate, backendError);
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
    if (!options.chart.empty()) {
      // Once the window is up: reading pumps events and shows its progress.
      QTimer::singleShot(0, &frame, [&frame, chart = options.chart] { frame.OpenChart(chart); });
    }
    status = QApplication::exec();
  }
  SetTheAdapter(nullptr);
  return status;
}

}  // namespace padscope
