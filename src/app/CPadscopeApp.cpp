#include "app/CPadscopeApp.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
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
#include "platform/ProgramDirectory.h"
#include "platform/PromptQt.h"
#include "sim/BackendSelection.h"
#include "support/TextTable.h"

namespace padscope {

namespace {

// The single-instance guard's name; the lock file lives in the temporary folder.
constexpr const char* kInstanceName = "Padscope Standard Tool.";

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

// With PADSCOPE_NONINTERACTIVE set (scripts, tests), message boxes go to
// standard error and are answered with their declining button.
class StderrPrompt : public Prompt {
 public:
  PromptButton Show(const PromptRequest& request) override {
    std::fprintf(stderr, "%s\n", request.text.c_str());
    return DecliningButton(request.buttons);
  }
};

// The silent check at start-up; start-up waits only for its pause and the
// updater files, not for the server. False: the program is to end.
bool StartUpdateCheck(CMainFrame& frame, bool reporting) {
  return frame.CheckForUpdate(reporting);
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

  QLockFile instance(QDir::temp().filePath(QString::fromUtf8(kInstanceName) + ".lock"));
  instance.setStaleLockTime(0);
  if (!instance.tryLock(0)) {
    ShowPrompt(texts.Text("T_ISEXIST"), PromptIcon::Warning, PromptButtons::Ok,
               texts.Text("ID_WIN_TITLE"));
    return 0;
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
    if (StartUpdateCheck(frame, false)) {
      frame.resize(1400, 900);
      frame.show();
      status = QApplication::exec();
    }
  }
  SetTheAdapter(nullptr);
  return status;
}

}  // namespace padscope
