#include "support/InstallFiles.h"

#include <optional>
#include <system_error>

#include "platform/FileBytes.h"

namespace padscope {

namespace fs = std::filesystem;

InstallFiles::~InstallFiles() {
  if (faults_.calls != nullptr) {
    *faults_.calls = calls_;
  }
}

bool InstallFiles::Call() {
  if (calls_++ == faults_.stopAtCall) {
    dead_ = true;
  }
  return !dead_;
}

FileKind InstallFiles::KindAt(const fs::path& path) {
  if (!Call() || statusChecks_++ == faults_.failStatus) {
    return FileKind::kUnknown;
  }
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  // ENOENT and ENOTDIR (a file on the way) are clear answers: nothing there.
  if (status.type() == fs::file_type::not_found) {
    return FileKind::kMissing;
  }
  if (ec || status.type() == fs::file_type::none || status.type() == fs::file_type::unknown) {
    return FileKind::kUnknown;
  }
  if (fs::is_directory(status)) {
    return FileKind::kFolder;
  }
  return fs::is_regular_file(status) ? FileKind::kFile : FileKind::kOther;
}

bool InstallFiles::MakeFolder(const fs::path& path) {
  std::error_code ec;
  return Call() && fs::create_directory(path, ec) && !ec;
}

bool InstallFiles::Rename(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  return Call() && (fs::rename(from, to, ec), !ec);
}

bool InstallFiles::Remove(const fs::path& path) {
  std::error_code ec;
  return Call() && (fs::remove(path, ec), !ec);
}

bool InstallFiles::RemoveTree(const fs::path& path) {
  std::error_code ec;
  return Call() && (fs::remove_all(path, ec), !ec);
}

bool InstallFiles::WriteFile(const fs::path& path, std::span<const uint8_t> bytes,
                             fs::perms perms) {
  if (!Call()) {
    return false;
  }
  const std::optional<fs::path> temp = WriteFileBytesAside(path, bytes, !faults_.unsynced);
  if (!temp) {
    return false;
  }
  // The mode is set before the name is: a file in place is never half made.
  std::error_code ec;
  if (Call()) {
    fs::permissions(*temp, perms, ec);
  }
  if (!Dead() && !ec && Rename(*temp, path)) {
    return true;
  }
  Remove(*temp);  // ours, under a fresh name; a dead run leaves it to the recovery
  return false;
}

bool InstallFiles::ReadFile(const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  return Call() && ReadFileBytes(path, maxBytes, out);
}

bool InstallFiles::List(const fs::path& folder, std::vector<std::string>& names) {
  names.clear();
  if (!Call()) {
    return false;
  }
  std::error_code ec;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  return !ec;
}

}  // namespace padscope
