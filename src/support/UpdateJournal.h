#pragma once

// The install journal: the record an install keeps in the installation while
// files move, so that the next start can finish it or undo it.
//
//   padscope-update-journal 1
//   install | undo
//   staging .padscope-update-staging-N
//   backup .padscope-update-backup-N
//   folder PATH         (created for the package, parents first)
//   replace PATH | new PATH

#include <string>
#include <vector>

namespace padscope {

// The journal's name in the installation, and the prefixes of the staging and
// backup folders beside it.
extern const std::string kJournalName;
extern const std::string kStagingPrefix;
extern const std::string kBackupPrefix;

struct Journal {
  bool undo = false;
  std::string staging, backup;       // folder names inside the installation
  std::vector<std::string> folders;  // created for the package, parents first
  struct Item {
    bool existed = false;  // a previous file is replaced (else the file is new)
    std::string path;
  };
  std::vector<Item> items;
};

std::string JournalText(const Journal& journal);

// False when the text is not a whole journal of this format.
bool ParseJournal(const std::string& text, Journal& journal);

// A staging or backup folder's name: the prefix and something after it.
bool IsOwnFolderName(const std::string& name, const std::string& prefix);

// The journal's name while it is being written: "<journal>.<16 hex digits>.new".
bool IsJournalDraftName(const std::string& name);

}  // namespace padscope
