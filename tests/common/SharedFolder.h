#pragma once

// What another user of the machine could plant in a folder everyone may write:
// a shared folder with the sticky bit stands for the system's temporary folder.
// Files of another user can only be planted by root (the test then gives them
// to "nobody"); tests that need them skip with a message otherwise.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace padscope::test {

inline constexpr uid_t kNobody = 65534;
inline constexpr char kNeedsRoot[] =
    "planting another user's files needs root (tests run as root on CI)";

inline bool CanPlantForeignFiles() {
  return ::geteuid() == 0;
}

// Creates `folder` as a shared folder: everyone may write, the sticky bit set.
inline std::filesystem::path MakeSharedFolder(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  ::chmod(folder.c_str(), 01777);
  return folder;
}

// A file everyone may write that belongs to "nobody".
inline void PlantForeignFile(const std::filesystem::path& path, const std::string& contents) {
  std::ofstream(path) << contents;
  ::chmod(path.c_str(), 0666);
  (void)::chown(path.c_str(), kNobody, kNobody);
}

}  // namespace padscope::test
