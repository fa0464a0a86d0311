#pragma once

// Files under fixed names in folders that other users may be able to write
// (the current folder, a shared program folder): never opened through a
// symbolic link, never a file that belongs to someone else.

#include <cstdio>
#include <filesystem>

namespace padscope {

// True for an absolute path naming a real folder (not a link) of this user that
// no one else may enter: nothing in it can be planted, renamed or removed by
// another user.
bool IsPrivateFolder(const std::filesystem::path& folder);

// Creates `folder` (and its parents) when missing. True when it is a real
// folder afterwards, not a symbolic link to one.
bool MakeRealFolder(const std::filesystem::path& folder);

#if !defined(_WIN32)
// open(2) of `path` with O_NOFOLLOW and O_CLOEXEC added to `flags`; the result
// is refused (-1) unless it is a regular file of this user. `mode` is used when
// O_CREAT creates it.
int OpenOwnFile(const std::filesystem::path& path, int flags, unsigned mode);
#endif

// Opens `path` for appending, creating it (0644) when missing, under the rules
// above; `textMode` matters on Windows only (CR LF line ends). nullptr when
// refused or it cannot be opened.
std::FILE* OpenOwnFileForAppend(const std::filesystem::path& path, bool textMode = false);

}  // namespace padscope
