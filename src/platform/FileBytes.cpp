#include "platform/FileBytes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace padscope {

namespace {

// Tries this many names before giving up; a clash is already unlikely.
constexpr int kTempNameAttempts = 16;

// A name beside `path` that no file is likely to carry: "<name>.<hex>.new".
std::filesystem::path TempNameBeside(const std::filesystem::path& path) {
  static std::atomic<uint64_t> counter{0};
  thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".%016llx.new",
                static_cast<unsigned long long>(random() ^ counter.fetch_add(1)));
  std::filesystem::path temp = path;
  temp += suffix;
  return temp;
}

#if defined(_WIN32)
// Opens a new file for writing; fails when the name is taken.
int CreateNew(const std::filesystem::path& path) {
  int fd = -1;
  _wsopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYRW,
            _S_IREAD | _S_IWRITE);
  return fd;
}
bool WriteAndClose(int fd, std::span<const uint8_t> bytes, bool sync) {
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    const unsigned chunk =
        static_cast<unsigned>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    const int n = _write(fd, bytes.data() + done, chunk);
    ok = n > 0;
    done += ok ? static_cast<std::size_t>(n) : 0;
  }
  ok = ok && (!sync || _commit(fd) == 0);
  return _close(fd) == 0 && ok;
}
#else
// Opens a new file for writing; fails when the name is taken (never follows a
// link planted under it).
int CreateNew(const std::filesystem::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}
// Plain POSIX calls so that the data can be synced before the rename makes it
// the live file.
bool WriteAndClose(int fd, std::span<const uint8_t> bytes, bool sync) {
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
  ok = ok && (!sync || ::fsync(fd) == 0);
  return ::close(fd) == 0 && ok;
}
#endif

// Creates a file under a fresh name beside `path` and writes `bytes` into it.
// Returns its name, or nothing (and no file left) on failure.
std::optional<std::filesystem::path> WriteTempBeside(const std::filesystem::path& path,
                                                     std::span<const uint8_t> bytes,
                                                     bool sync = true) {
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    std::filesystem::path temp = TempNameBeside(path);
    const int fd = CreateNew(temp);
    if (fd < 0) {
      if (errno == EEXIST) {
        continue;  // someone else's file: leave it and pick another name
      }
      return std::nullopt;
    }
    if (!WriteAndClose(fd, bytes, sync)) {
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return std::nullopt;
    }
    return temp;
  }
  return std::nullopt;
}

}  // namespace

std::FILE* OpenRegularFile(const std::filesystem::path& path, uintmax_t& size) {
  size = 0;
#if defined(_WIN32)
  // Nothing under a file's name blocks an open here.
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  struct _stat64 st {};
  if (file != nullptr &&
      (_fstat64(_fileno(file), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG)) {
    std::fclose(file);
    return nullptr;
  }
#else
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return nullptr;
  }
  struct stat st {};
  const int flags = ::fcntl(fd, F_GETFL);
  std::FILE* file = nullptr;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flags >= 0 &&
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) {
    file = ::fdopen(fd, "rb");
  }
  if (file == nullptr) {
    ::close(fd);
    return nullptr;
  }
#endif
  size = st.st_size > 0 ? static_cast<uintmax_t>(st.st_size) : 0;
  return file;
}

bool ReadFileBytes(const std::filesystem::path& path, std::size_t maxBytes,
                   std::vector<uint8_t>& out) {
  out.clear();
  uintmax_t size = 0;
  std::FILE* file = OpenRegularFile(path, size);
  if (file == nullptr) {
    return false;
  }
  out.resize(static_cast<std::size_t>(std::min<uintmax_t>(size, maxBytes)));
  const std::size_t got = std::fread(out.data(), 1, out.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    out.clear();
    return false;
  }
  out.resize(got);
  return true;
}

std::optional<std::filesystem::path> WriteFileBytesAside(const std::filesystem::path& path,
                                                         std::span<const uint8_t> bytes,
                                                         bool sync) {
  return WriteTempBeside(path, bytes, sync);
}

bool ReplaceFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  const std::optional<std::filesystem::path> temp = WriteTempBeside(path, bytes);
  if (!temp) {
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(*temp, path, ec);
  if (ec) {
    std::filesystem::remove(*temp, ec);  // ours: created just now under a fresh name
    return false;
  }
  return true;
}

uintmax_t BytesLeft(std::FILE* stream) {
  if (stream == nullptr) {
    return 0;
  }
#if defined(_WIN32)
  struct _stat64 st {};
  if (_fstat64(_fileno(stream), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
    return 0;
  }
  const int64_t position = _ftelli64(stream);
#else
  struct stat st {};
  if (fstat(fileno(stream), &st) != 0 || !S_ISREG(st.st_mode)) {
    return 0;
  }
  const int64_t position = ftello(stream);
#endif
  return position >= 0 && position < st.st_size ? static_cast<uintmax_t>(st.st_size - position) : 0;
}

}  // namespace padscope
