#pragma once

// Where the per-user locks live: the program's single-instance guard and the
// lock that serialises writers of the log.

#include <filesystem>

namespace padscope {

inline constexpr char kInstanceLockName[] = "Padscope Standard Tool..lock";
inline constexpr char kLogLockName[] = "log.log.lock";

// The user's runtime folder as the windowing layer knows it (Qt programs pass
// QStandardPaths' runtime location at start-up); empty forgets it. Any thread.
void SetRuntimeDirectory(const std::filesystem::path& folder);

// The runtime folder when one was set and it is a real folder of this user that
// no one else may enter; otherwise the folder the program keeps its state in.
std::filesystem::path LockDirectory();

}  // namespace padscope
