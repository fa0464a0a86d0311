#include "support/UpdateJournal.h"

#include <algorithm>
#include <sstream>

#include "support/UpdatePackage.h"

namespace padscope {

const std::string kJournalName = std::string(kReservedUpdateName) + "-journal";
const std::string kStagingPrefix = std::string(kReservedUpdateName) + "-staging-";
const std::string kBackupPrefix = std::string(kReservedUpdateName) + "-backup-";

namespace {

constexpr char kJournalHead[] = "padscope-update-journal 1";

}  // namespace

std::string JournalText(const Journal& j) {
  std::string text = std::string(kJournalHead) + "\n";
  text += j.undo ? "undo\n" : "install\n";
  text += "staging " + j.staging + "\nbackup " + j.backup + "\n";
  for (const std::string& f : j.folders) {
    text += "folder " + f + "\n";
  }
  for (const Journal::Item& item : j.items) {
    text += (item.existed ? "replace " : "new ") + item.path + "\n";
  }
  return text;
}

bool IsOwnFolderName(const std::string& name, const std::string& prefix) {
  return name.size() > prefix.size() && name.rfind(prefix, 0) == 0 &&
         name.find('/') == std::string::npos && name.find("..") == std::string::npos;
}

bool IsJournalDraftName(const std::string& name) {
  const std::string head = kJournalName + ".";
  const std::string tail = ".new";
  constexpr size_t kDigits = 16;
  if (name.size() != head.size() + kDigits + tail.size() || name.rfind(head, 0) != 0 ||
      name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
    return false;
  }
  const auto digits = name.begin() + static_cast<std::ptrdiff_t>(head.size());
  return std::all_of(digits, digits + kDigits,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool ParseJournal(const std::string& text, Journal& j) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kJournalHead || !std::getline(in, line) ||
      (line != "install" && line != "undo")) {
    return false;
  }
  j.undo = line == "undo";
  while (std::getline(in, line)) {
    const size_t space = line.find(' ');
    const std::string word = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (word == "staging" && IsOwnFolderName(rest, kStagingPrefix)) {
      j.staging = rest;
    } else if (word == "backup" && IsOwnFolderName(rest, kBackupPrefix)) {
      j.backup = rest;
    } else if (word == "folder" && IsSafePackagePath(rest)) {
      j.folders.push_back(rest);
    } else if ((word == "replace" || word == "new") && IsSafePackagePath(rest)) {
      j.items.push_back({word == "replace", rest});
    } else {
      return false;
    }
  }
  return !j.staging.empty() && !j.backup.empty();
}

}  // namespace padscope
