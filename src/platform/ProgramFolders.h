#pragma once

// Where the program finds what it only reads and keeps what it writes.
//
// The resource folder holds what comes with the program: the text table
// "Padscope.xml", the user guide, the installed version "appCheck" and the
// title file "curVer.txt". The state folder holds what the program writes: the
// settings "~tmp.tmp", the chart list "~list.tmp", "log.log", the exports in
// "data" and the charts proposed in "tkchart".
//
// - Run from a build tree or a portable folder (the text table lies beside the
//   program), both are the program's folder; state goes to the user's data
//   folder only when the program's folder cannot be written.
// - Installed (the program in <prefix>/bin without a text table beside it, and
//   a folder <prefix>/share/padscope), resources
//   come from <prefix>/share/padscope, wherever the prefix was moved, and state
//   goes to "padscope" in the user's data folder.
// - PADSCOPE_HOME, when set and not empty, names the state folder; resources
//   are found as above.

#include <filesystem>
#include <functional>
#include <string>

namespace padscope {

// The state folder's name below the user's data folder, and the resource
// folder's below an installation prefix.
inline constexpr char kFolderName[] = "padscope";
// What marks a folder as the resource folder.
inline constexpr char kTextTableFile[] = "Padscope.xml";

struct ProgramFolders {
  std::filesystem::path resources;
  std::filesystem::path state;
  // Installed under a prefix: the files belong to the system's package
  // manager, which also brings updates.
  bool installed = false;
};

// What the folders are decided from.
struct FolderInputs {
  std::filesystem::path executable;  // the program's full path
  std::string stateOverride;         // PADSCOPE_HOME; empty: not set
  std::filesystem::path userData;    // the user's data folder; empty: none known
  // Whether the program may create files in a folder.
  std::function<bool(const std::filesystem::path&)> writable;
};

// The rule above, for any executable path.
ProgramFolders ResolveProgramFolders(const FolderInputs& in);

// The user's data folder as the platform defines it (what Qt's
// GenericDataLocation gives): on Linux XDG_DATA_HOME, else ~/.local/share.
// Empty when no home folder is known.
std::filesystem::path DefaultUserDataDirectory();

// The user's data folder as the windowing layer knows it (the Qt programs pass
// QStandardPaths' GenericDataLocation at start-up); empty: the default rule.
void SetUserDataDirectory(const std::filesystem::path& folder);

// Whose folders these are: the updater works for the program it updates, not
// for itself. Empty: the running program. Any thread.
void SetProgramExecutable(const std::filesystem::path& executable);

// The folders of this process, decided anew on every call (PADSCOPE_HOME may
// change while it runs).
ProgramFolders CurrentProgramFolders();
std::filesystem::path ResourceDirectory();
std::filesystem::path StateDirectory();

// Creates the state folder when missing (only this user may enter a folder it
// creates). True when it is a folder afterwards.
bool EnsureStateDirectory();

}  // namespace padscope
