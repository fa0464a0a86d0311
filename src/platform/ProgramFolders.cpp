#include "platform/ProgramFolders.h"

#include <cstdlib>
#include <mutex>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif
#endif

namespace padscope {

namespace fs = std::filesystem;

namespace {

std::mutex settingsMutex;
fs::path userDataFolder;
fs::path programExecutable;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

fs::path RunningExecutable() {
#if defined(_WIN32)
  wchar_t buffer[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  return n > 0 ? fs::path(std::wstring(buffer, n)) : fs::path();
#elif defined(__APPLE__)
  char buffer[4096];
  uint32_t size = sizeof buffer;
  return _NSGetExecutablePath(buffer, &size) == 0 ? fs::path(buffer) : fs::path();
#else
  std::error_code ec;
  auto p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : p;
#endif
}

bool CanWrite(const fs::path& folder) {
#if defined(_WIN32)
  // Only the read-only attribute: the folder's access list is not consulted.
  return _waccess(folder.c_str(), 2) == 0;
#else
  return ::access(folder.c_str(), W_OK) == 0;
#endif
}

fs::path HomeDirectory() {
#if defined(_WIN32)
  return fs::path();
#else
  if (std::string home = Environment("HOME"); !home.empty()) {
    return home;
  }
  const passwd* pw = ::getpwuid(::geteuid());
  return pw != nullptr && pw->pw_dir != nullptr ? fs::path(pw->pw_dir) : fs::path();
#endif
}

}  // namespace

ProgramFolders ResolveProgramFolders(const FolderInputs& in) {
  std::error_code ec;
  const fs::path programFolder = in.executable.parent_path();
  const fs::path shared = programFolder.parent_path() / "share" / kFolderName;
  const fs::path userState = in.userData.empty() ? fs::path() : in.userData / kFolderName;

  ProgramFolders folders;
  if (programFolder.filename() == "bin" && !fs::exists(programFolder / kTextTableFile, ec) &&
      fs::is_directory(shared, ec)) {
    folders.resources = shared;
    folders.state = userState;
    folders.installed = true;
  } else {
    folders.resources = programFolder;
    // A portable folder on a medium that cannot be written keeps its state
    // with the user instead.
    folders.state = userState.empty() || in.writable(programFolder) ? programFolder : userState;
  }
  if (!in.stateOverride.empty()) {
    folders.state = in.stateOverride;
  }
  if (folders.state.empty()) {
    // Installed, and the user has no home folder: the current folder is all
    // that is left.
    folders.state = fs::current_path(ec);
  }
  return folders;
}

fs::path DefaultUserDataDirectory() {
#if defined(_WIN32)
  const std::string local = Environment("LOCALAPPDATA");
  return local.empty() ? fs::path() : fs::path(local);
#elif defined(__APPLE__)
  const fs::path home = HomeDirectory();
  return home.empty() ? fs::path() : home / "Library" / "Application Support";
#else
  // A relative XDG_DATA_HOME is invalid and ignored.
  if (const fs::path xdg = Environment("XDG_DATA_HOME"); xdg.is_absolute()) {
    return xdg;
  }
  const fs::path home = HomeDirectory();
  return home.empty() ? fs::path() : home / ".local" / "share";
#endif
}

void SetUserDataDirectory(const fs::path& folder) {
  std::lock_guard lock(settingsMutex);
  userDataFolder = folder;
}

void SetProgramExecutable(const fs::path& executable) {
  std::lock_guard lock(settingsMutex);
  programExecutable = executable;
}

ProgramFolders CurrentProgramFolders() {
  FolderInputs in;
  {
    std::lock_guard lock(settingsMutex);
    in.executable = programExecutable;
    in.userData = userDataFolder;
  }
  if (in.executable.empty()) {
    in.executable = RunningExecutable();
  }
  if (in.executable.empty()) {
    std::error_code ec;
    in.executable = fs::current_path(ec) / "padscope";
  }
  if (in.userData.empty()) {
    in.userData = DefaultUserDataDirectory();
  }
  in.stateOverride = Environment("PADSCOPE_HOME");
  in.writable = CanWrite;
  return ResolveProgramFolders(in);
}

fs::path ResourceDirectory() {
  return CurrentProgramFolders().resources;
}

fs::path StateDirectory() {
  return CurrentProgramFolders().state;
}

bool EnsureStateDirectory() {
  const fs::path state = StateDirectory();
  std::error_code ec;
  if (!fs::exists(state, ec)) {
    fs::create_directories(state.parent_path(), ec);
#if defined(_WIN32)
    fs::create_directory(state, ec);
#else
    ::mkdir(state.c_str(), 0700);
#endif
  }
  return fs::is_directory(state, ec);
}

}  // namespace padscope
