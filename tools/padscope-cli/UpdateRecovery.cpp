#include "UpdateRecovery.h"

#include <cstdlib>
#include <ostream>
#include <string>

#include "platform/FileLock.h"
#include "platform/LockDirectory.h"
#include "support/UpdateInstall.h"

#if !defined(_WIN32)
#include <pwd.h>
#include <unistd.h>
#endif

namespace padscope {

std::filesystem::path DefaultRuntimeDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') {
    return runtime;
  }
#if defined(_WIN32)
  return {};  // the locks stay in the state folder
#else
  const passwd* user = ::getpwuid(::geteuid());
  if (user == nullptr) {
    return {};
  }
  const char* temp = std::getenv("TMPDIR");
  const std::filesystem::path folder = temp != nullptr && *temp != '\0' ? temp : "/tmp";
  return folder / ("runtime-" + std::string(user->pw_name));
#endif
}

bool FinishInterruptedUpdate(const std::filesystem::path& folder, std::ostream& err,
                             std::chrono::milliseconds patience) {
  if (!InstallInterrupted(folder)) {
    return true;
  }
  const FileLock guard(LockDirectory() / kInstanceLockName, patience);
  if (guard.state() == FileLock::State::kBusy) {
    err << "padscope-cli: an update of " << folder.string()
        << " is unfinished and Padscope or its updater is running; try again once it has ended\n";
    return false;
  }
  if (!guard.Held()) {
    return true;
  }
  std::string error;
  switch (RecoverInterruptedInstall(folder, error)) {
    case RecoveryResult::kNothingToDo:
      break;
    case RecoveryResult::kFinished:
      err << "An interrupted update of " << folder.string() << " was completed.\n";
      break;
    case RecoveryResult::kUndone:
      err << "An interrupted update of " << folder.string() << " was undone.\n";
      break;
    case RecoveryResult::kFailed:
      err << "An interrupted update could not be completed or undone: " << error << "\n";
      break;
  }
  return true;
}

}  // namespace padscope
