#include "platform/LockDirectory.h"

#include <mutex>

#include "platform/OwnFile.h"
#include "platform/ProgramFolders.h"

namespace padscope {

namespace {

std::mutex runtimeMutex;
std::filesystem::path runtimeFolder;

}  // namespace

void SetRuntimeDirectory(const std::filesystem::path& folder) {
  std::lock_guard lock(runtimeMutex);
  runtimeFolder = folder;
}

std::filesystem::path LockDirectory() {
  std::filesystem::path runtime;
  {
    std::lock_guard lock(runtimeMutex);
    runtime = runtimeFolder;
  }
  return IsPrivateFolder(runtime) ? runtime : StateDirectory();
}

}  // namespace padscope
