#include "support/UpdatePackage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <system_error>

namespace padscope {

namespace {

constexpr char kMagic[8] = {'P', 'S', 'U', 'P', 'D', 'A', 'T', 'E'};
constexpr uint32_t kFormatVersion = 1;
constexpr size_t kMaxPathLength = 1024;

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) {
      c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    table[n] = c;
  }
  return table;
}

void PutBig(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) {
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
}

// Reads big-endian integers and byte runs, never past the end.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool Take(int count, uint64_t& value) {
    if (bytes_.size() - at_ < static_cast<size_t>(count)) {
      return false;
    }
    value = 0;
    for (int i = 0; i < count; ++i) {
      value = (value << 8) | bytes_[at_++];
    }
    return true;
  }
  bool TakeBytes(uint64_t count, std::span<const uint8_t>& run) {
    if (bytes_.size() - at_ < count) {
      return false;
    }
    run = bytes_.subspan(at_, static_cast<size_t>(count));
    at_ += static_cast<size_t>(count);
    return true;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& contents,
               bool executable) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
      return false;
    }
    out.write(reinterpret_cast<const char*>(contents.data()),
              static_cast<std::streamsize>(contents.size()));
    out.flush();
    if (!out) {
      return false;
    }
  }
  std::error_code ec;
  using std::filesystem::perms;
  const perms mode =
      perms::owner_read | perms::owner_write | perms::group_read | perms::others_read |
      (executable ? perms::owner_exec | perms::group_exec | perms::others_exec : perms::none);
  std::filesystem::permissions(path, mode, ec);
  return !ec;
}

std::filesystem::path UniqueFolder(const std::filesystem::path& parent, const std::string& stem) {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = parent / (stem + std::to_string(rd()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec) && !ec) {
      return candidate;
    }
  }
  return {};
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes) {
  static const std::array<uint32_t, 256> table = MakeCrcTable();
  uint32_t c = 0xFFFFFFFFu;
  for (uint8_t b : bytes) {
    c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  }
  return c ^ 0xFFFFFFFFu;
}

bool IsSafePackagePath(const std::string& path) {
  if (path.empty() || path.size() > kMaxPathLength || path.front() == '/' ||
      path.find('\\') != std::string::npos || path.find('\0') != std::string::npos ||
      path.find(':') != std::string::npos) {
    return false;
  }
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::string part = path.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") {
      return false;
    }
    start = end + 1;
  }
  return true;
}

std::vector<uint8_t> PackUpdate(const std::vector<PackageEntry>& entries) {
  std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
  PutBig(out, kFormatVersion, 4);
  PutBig(out, entries.size(), 4);
  for (const PackageEntry& e : entries) {
    PutBig(out, e.path.size(), 2);
    out.insert(out.end(), e.path.begin(), e.path.end());
    PutBig(out, e.flags, 4);
    PutBig(out, e.contents.size(), 8);
    out.insert(out.end(), e.contents.begin(), e.contents.end());
  }
  PutBig(out, Crc32(out), 4);
  return out;
}

bool UnpackUpdate(std::span<const uint8_t> image, std::vector<PackageEntry>& entries,
                  std::string& error) {
  entries.clear();
  if (image.size() < sizeof kMagic + 12 || std::memcmp(image.data(), kMagic, sizeof kMagic) != 0) {
    error = "not an update package";
    return false;
  }
  const auto body = image.first(image.size() - 4);
  uint64_t stored = 0;
  Reader(image.last(4)).Take(4, stored);
  if (Crc32(body) != stored) {
    error = "the package is damaged (checksum mismatch)";
    return false;
  }
  Reader in(body.subspan(sizeof kMagic));
  uint64_t version = 0, count = 0;
  in.Take(4, version);
  in.Take(4, count);
  if (version != kFormatVersion) {
    error = "unknown package format version " + std::to_string(version);
    return false;
  }
  std::set<std::string> seen;
  std::vector<PackageEntry> read;
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t length = 0, flags = 0, size = 0;
    std::span<const uint8_t> path, contents;
    if (!in.Take(2, length) || !in.TakeBytes(length, path) || !in.Take(4, flags) ||
        !in.Take(8, size) || !in.TakeBytes(size, contents)) {
      error = "the package is truncated";
      return false;
    }
    PackageEntry e;
    e.path.assign(path.begin(), path.end());
    e.flags = static_cast<uint32_t>(flags);
    if (!IsSafePackagePath(e.path) || !seen.insert(e.path).second) {
      error = "the package names an unsafe or repeated path";
      return false;
    }
    e.contents.assign(contents.begin(), contents.end());
    read.push_back(std::move(e));
  }
  if (!in.AtEnd()) {
    error = "the package has bytes after its last file";
    return false;
  }
  entries = std::move(read);
  return true;
}

bool CollectPackageEntries(const std::filesystem::path& folder, std::vector<PackageEntry>& entries,
                           std::string& error) {
  namespace fs = std::filesystem;
  entries.clear();
  std::error_code ec;
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_regular_file(ec)) {
      files.push_back(it->path());
    }
  }
  if (ec) {
    error = "cannot read " + folder.string() + ": " + ec.message();
    return false;
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    PackageEntry e;
    e.path = fs::relative(file, folder, ec).generic_string();
    std::ifstream in(file, std::ios::binary);
    if (ec || !in) {
      error = "cannot read " + file.string();
      return false;
    }
    e.contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const auto perms = fs::status(file, ec).permissions();
    if ((perms & fs::perms::owner_exec) != fs::perms::none) {
      e.flags |= kPackageExecutable;
    }
    entries.push_back(std::move(e));
  }
  return true;
}

bool InstallUpdate(const std::vector<PackageEntry>& entries, const std::filesystem::path& target,
                   std::string& error, const std::function<void(const std::string&)>& progress) {
  namespace fs = std::filesystem;
  const auto say = [&](const std::string& text) {
    if (progress) {
      progress(text);
    }
  };
  for (const PackageEntry& e : entries) {
    if (!IsSafePackagePath(e.path)) {
      error = "unsafe path in package: " + e.path;
      return false;
    }
  }
  // Staging and backup live in the target folder so that every move is a
  // rename on one file system.
  const fs::path staging = UniqueFolder(target, ".update-staging-");
  const fs::path backup = staging.empty() ? fs::path() : UniqueFolder(target, ".update-backup-");
  std::error_code ec;
  if (staging.empty() || backup.empty()) {
    if (!staging.empty()) {
      fs::remove_all(staging, ec);
    }
    error = "cannot create a staging folder in " + target.string();
    return false;
  }
  const auto cleanUp = [&] {
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    fs::remove_all(backup, ignored);
  };

  for (const PackageEntry& e : entries) {
    say("staging " + e.path);
    const fs::path staged = staging / fs::path(e.path);
    fs::create_directories(staged.parent_path(), ec);
    if (ec || !WriteFile(staged, e.contents, (e.flags & kPackageExecutable) != 0)) {
      error = "cannot write " + staged.string();
      cleanUp();
      return false;
    }
  }

  // Each swap is recorded so that a failure can be undone in reverse order.
  struct Swap {
    fs::path installed;
    fs::path saved;  // empty: the file did not exist before
  };
  std::vector<Swap> done;
  std::vector<fs::path> createdFolders;
  const auto rollBack = [&] {
    std::error_code ignored;
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
      fs::remove(it->installed, ignored);
      if (!it->saved.empty()) {
        fs::rename(it->saved, it->installed, ignored);
      }
    }
    for (auto it = createdFolders.rbegin(); it != createdFolders.rend(); ++it) {
      fs::remove(*it, ignored);  // only when empty again
    }
  };

  for (const PackageEntry& e : entries) {
    say("installing " + e.path);
    const fs::path installed = target / fs::path(e.path);
    const fs::path saved = backup / fs::path(e.path);
    for (fs::path folder = installed.parent_path(); folder != target && !fs::exists(folder, ec);
         folder = folder.parent_path()) {
      createdFolders.insert(createdFolders.begin(), folder);
    }
    fs::create_directories(installed.parent_path(), ec);
    Swap swap{installed, {}};
    if (!ec && fs::exists(installed, ec)) {
      fs::create_directories(saved.parent_path(), ec);
      if (!ec) {
        fs::rename(installed, saved, ec);
      }
      if (!ec) {
        swap.saved = saved;
      }
    }
    if (!ec) {
      fs::rename(staging / fs::path(e.path), installed, ec);
      if (ec && !swap.saved.empty()) {
        std::error_code ignored;
        fs::rename(swap.saved, installed, ignored);
        swap.saved.clear();
      } else if (!ec) {
        done.push_back(swap);
      }
    }
    if (ec) {
      error = "cannot replace " + installed.string() + ": " + ec.message();
      rollBack();
      cleanUp();
      return false;
    }
  }
  cleanUp();
  say("installed " + std::to_string(entries.size()) + " files");
  return true;
}

}  // namespace padscope
