#include "platform/OwnFile.h"

#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace padscope {

bool IsPrivateFolder(const std::filesystem::path& folder) {
  if (folder.empty() || !folder.is_absolute()) {
    return false;
  }
#if defined(_WIN32)
  std::error_code ec;
  return std::filesystem::is_directory(std::filesystem::symlink_status(folder, ec));
#else
  struct stat st {};
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
#endif
}

bool MakeRealFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(std::filesystem::symlink_status(folder, ec));
}

#if !defined(_WIN32)

int OpenOwnFile(const std::filesystem::path& path, int flags, unsigned mode) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode));
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    ::close(fd);
    errno = EPERM;
    return -1;
  }
  return fd;
}

std::FILE* OpenOwnFileForAppend(const std::filesystem::path& path, bool) {
  const int fd = OpenOwnFile(path, O_WRONLY | O_APPEND | O_CREAT, 0644);
  if (fd < 0) {
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "ab");
  if (file == nullptr) {
    ::close(fd);
  }
  return file;
}

#else

std::FILE* OpenOwnFileForAppend(const std::filesystem::path& path, bool textMode) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    return nullptr;
  }
  return _wfopen(path.c_str(), textMode ? L"a" : L"ab");
}

#endif

}  // namespace padscope
