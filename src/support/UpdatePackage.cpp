#include "support/UpdatePackage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string_view>
#include <system_error>

#include "support/UpdateCheck.h"

#ifndef PADSCOPE_UPDATE_PLATFORM
#define PADSCOPE_UPDATE_PLATFORM "unknown"
#endif

namespace padscope {

namespace {

constexpr char kMagic[8] = {'P', 'S', 'U', 'P', 'D', 'A', 'T', 'E'};
constexpr uint32_t kFormatVersion = 2;
constexpr size_t kMaxPathLength = 1024;
constexpr size_t kHeaderSize = sizeof kMagic + 12;
constexpr size_t kSignatureSize = sizeof(UpdateSignature);

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

// The path as a file system that ignores letter case sees it.
std::string Folded(std::string_view path) {
  std::string folded(path);
  std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return folded;
}

}  // namespace

std::string_view UpdatePlatform() {
  return PADSCOPE_UPDATE_PLATFORM;
}

bool IsSafePackagePath(const std::string& path) {
  if (path.empty() || path.size() > kMaxPathLength || path.front() == '/' ||
      path.find_first_of("\\:") != std::string::npos ||
      Folded(path).rfind(kReservedUpdateName, 0) == 0) {
    return false;
  }
  // No control characters: the names go into the installer's journal, one a line.
  if (std::any_of(path.begin(), path.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
    return false;
  }
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part(path.data() + start, end - start);
    if (part.empty() || part == "." || part == "..") {
      return false;
    }
    start = end + 1;
  }
  return true;
}

std::vector<uint8_t> UpdatePackageBody(const UpdatePackage& package) {
  std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
  PutBig(out, kFormatVersion, 4);
  PutBig(out, package.version, 4);
  PutBig(out, package.entries.size(), 4);
  for (const PackageEntry& e : package.entries) {
    PutBig(out, e.path.size(), 2);
    out.insert(out.end(), e.path.begin(), e.path.end());
    PutBig(out, e.flags, 4);
    PutBig(out, e.contents.size(), 8);
    out.insert(out.end(), e.contents.begin(), e.contents.end());
  }
  return out;
}

std::vector<uint8_t> PackUpdate(const UpdatePackage& package, const UpdateSecretKey& key) {
  std::vector<uint8_t> out = UpdatePackageBody(package);
  const UpdateSignature signature = SignUpdate(out, key);
  out.insert(out.end(), signature.begin(), signature.end());
  return out;
}

bool UnpackUpdate(std::span<const uint8_t> image, const UpdatePublicKey& key,
                  UpdatePackage& package, std::string& error) {
  package = {};
  if (image.size() < kHeaderSize || std::memcmp(image.data(), kMagic, sizeof kMagic) != 0) {
    error = "not an update package";
    return false;
  }
  uint64_t format = 0;
  Reader(image.subspan(sizeof kMagic)).Take(4, format);
  if (format != kFormatVersion) {
    error = format == 1 ? "the package is not signed"
                        : "unknown package format " + std::to_string(format);
    return false;
  }
  if (image.size() < kHeaderSize + kSignatureSize) {
    error = "the package is truncated";
    return false;
  }
  const auto body = image.first(image.size() - kSignatureSize);
  UpdateSignature signature{};
  std::copy_n(image.last(kSignatureSize).begin(), kSignatureSize, signature.begin());
  if (!VerifyUpdate(body, signature, key)) {
    error = "the signature does not match: not signed with the update key, or changed since";
    return false;
  }
  return ParseUpdatePackageBody(body, package, error);
}

namespace {

// A path that is a file and, in another entry, a folder.
bool HasFileFolderConflict(const std::set<std::string>& paths) {
  for (const std::string& path : paths) {
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      if (paths.count(path.substr(0, slash)) != 0) {
        return true;
      }
    }
  }
  return false;
}

// The text after "key =" on the line that starts with the key, without the
// blanks around it; empty when no line does.
std::string LineValue(std::string_view text, std::string_view key) {
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.rfind(key, 0) != 0) {
      continue;
    }
    line.remove_prefix(key.size());
    const size_t equals = line.find_first_not_of(" \t");
    if (equals == std::string_view::npos || line[equals] != '=') {
      continue;
    }
    line.remove_prefix(equals + 1);
    const size_t first = line.find_first_not_of(" \t");
    const size_t last = line.find_last_not_of(" \t\r");
    return first == std::string_view::npos ? std::string()
                                           : std::string(line.substr(first, last - first + 1));
  }
  return {};
}

// "appCheck" must name the package's own version on its first line, and the
// product and platform; false with the reason.
bool ReadAppCheck(UpdatePackage& package, std::string& error) {
  for (const PackageEntry& e : package.entries) {
    if (e.path != kAppCheckFile) {
      continue;
    }
    const std::string_view text(reinterpret_cast<const char*>(e.contents.data()),
                                e.contents.size());
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    if (ParseVersionValue(firstLine, "Current Version") != static_cast<int32_t>(package.version)) {
      break;
    }
    package.product = LineValue(text, "Product");
    package.platform = LineValue(text, "Platform");
    if (package.product.empty() || package.platform.empty()) {
      error = "the package's appCheck names no product or no platform";
      return false;
    }
    return true;
  }
  error = "the package's appCheck does not name its version " + std::to_string(package.version);
  return false;
}

}  // namespace

bool ParseUpdatePackageBody(std::span<const uint8_t> body, UpdatePackage& package,
                            std::string& error) {
  package = {};
  Reader in(body);
  uint64_t format = 0, version = 0, count = 0;
  std::span<const uint8_t> magic;
  if (!in.TakeBytes(sizeof kMagic, magic) ||
      std::memcmp(magic.data(), kMagic, sizeof kMagic) != 0 || !in.Take(4, format) ||
      format != kFormatVersion || !in.Take(4, version) || !in.Take(4, count)) {
    error = "not an update package";
    return false;
  }
  if (version == 0 || version > static_cast<uint64_t>(INT32_MAX)) {
    error = "the package names no version";
    return false;
  }
  std::set<std::string> seen;  // letter case folded
  UpdatePackage read;
  read.version = static_cast<uint32_t>(version);
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
    if (!IsSafePackagePath(e.path) || !seen.insert(Folded(e.path)).second) {
      error = "the package names an unsafe or repeated path";
      return false;
    }
    e.contents.assign(contents.begin(), contents.end());
    read.entries.push_back(std::move(e));
  }
  if (!in.AtEnd()) {
    error = "the package has bytes after its last file";
    return false;
  }
  if (HasFileFolderConflict(seen)) {
    error = "the package names a path both as a file and as a folder";
    return false;
  }
  if (!ReadAppCheck(read, error)) {
    return false;
  }
  package = std::move(read);
  return true;
}

bool FitsUpdateTarget(const UpdatePackage& package, const UpdateTarget& target,
                      std::string& error) {
  if (package.product != kUpdateProduct) {
    error = "the package is for " + package.product + ", not for " + kUpdateProduct;
    return false;
  }
  if (package.platform != UpdatePlatform()) {
    error = "the package is for " + package.platform + ", not for " + std::string(UpdatePlatform());
    return false;
  }
  if (!target.installedVersion) {
    error = "the installed version is not known (appCheck is missing or unreadable)";
    return false;
  }
  if (static_cast<int64_t>(package.version) <= *target.installedVersion) {
    error = "version " + std::to_string(package.version) + " is not newer than the installed " +
            std::to_string(*target.installedVersion);
    return false;
  }
  const bool replacesProgram =
      std::any_of(package.entries.begin(), package.entries.end(),
                  [&](const PackageEntry& e) { return e.path == target.programName; });
  if (!replacesProgram) {
    error = "the package does not hold the program " + target.programName;
    return false;
  }
  return true;
}

bool UnpackUpdateFor(std::span<const uint8_t> image, const UpdatePublicKey& key,
                     const UpdateTarget& target, UpdatePackage& package, std::string& error) {
  if (!UnpackUpdate(image, key, package, error)) {
    return false;
  }
  if (!FitsUpdateTarget(package, target, error)) {
    package = {};
    return false;
  }
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

}  // namespace padscope
