#pragma once

// The life-cycle log "log.log" in the state folder.

#include <ctime>
#include <string>

namespace padscope {

// Appends one line to "log.log" in StateDirectory(): the local time stamp, the
// tag piece when `tag` is not empty, and `format` formatted with the further
// arguments. Writers in every thread and process of the user are serialised by
// the lock file "log.log.lock" in LockDirectory(); a writer that cannot have the
// lock within a moment writes its line anyway. The file is opened (never through
// a symbolic link, never another user's file), appended to and closed for each
// line. A line that cannot be written is lost silently. Any thread may call it.
// The format is always the caller's literal text; outside text goes in as "%s".
void WriteLog(const std::string& tag, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// The line WriteLog writes, newline included: "[MM-DD hh:mm:ss:mmm]", then
// "  [tag]" when the tag is not empty, then the text. `local` is the local time
// broken down; `milliseconds` is 0..999.
std::string FormatLogLine(const std::tm& local, int milliseconds, const std::string& tag,
                          const std::string& text);

}  // namespace padscope
