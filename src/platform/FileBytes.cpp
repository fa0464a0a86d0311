#include "platform/FileBytes.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace padscope {

namespace {

// Removes a temporary file left by a failed write; never anything else that
// happens to sit under that name.
void RemoveTemp(const std::filesystem::path& temp) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(std::filesystem::symlink_status(temp, ec))) {
    std::filesystem::remove(temp, ec);
  }
}

#if defined(_WIN32)
bool WriteWhole(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}
#else
// Plain POSIX calls so that the data can be synced before the rename makes it
// the live file.
bool WriteWhole(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    return false;
  }
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      ok = false;
    }
  }
  ok = ok && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}
#endif

}  // namespace

bool ReadFileBytes(const std::filesystem::path& path, std::size_t maxBytes,
                   std::vector<uint8_t>& out) {
  out.clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  const auto size = std::filesystem::file_size(path, ec);
  out.resize(ec ? maxBytes : static_cast<std::size_t>(std::min<uintmax_t>(size, maxBytes)));
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (in.bad()) {
    out.clear();
    return false;
  }
  out.resize(static_cast<std::size_t>(in.gcount()));
  return true;
}

bool ReplaceFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  std::filesystem::path temp = path;
  temp += ".new";
  if (!WriteWhole(temp, bytes)) {
    RemoveTemp(temp);
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    RemoveTemp(temp);
    return false;
  }
  return true;
}

}  // namespace padscope
