#include "platform/ProgramDirectory.h"

#include <cstdlib>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace padscope {

namespace {

std::filesystem::path ExecutablePath() {
#if defined(_WIN32)
  wchar_t buffer[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  return n > 0 ? std::filesystem::path(std::wstring(buffer, n)) : std::filesystem::path();
#elif defined(__APPLE__)
  char buffer[4096];
  uint32_t size = sizeof buffer;
  return _NSGetExecutablePath(buffer, &size) == 0 ? std::filesystem::path(buffer)
                                                  : std::filesystem::path();
#else
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : p;
#endif
}

}  // namespace

std::filesystem::path ProgramDirectory() {
  if (const char* home = std::getenv("PADSCOPE_HOME"); home != nullptr && *home != '\0') {
    return std::filesystem::path(home);
  }
  const auto exe = ExecutablePath();
  if (exe.empty()) {
    std::error_code ec;
    auto cwd = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : cwd;
  }
  return exe.parent_path();
}

}  // namespace padscope
