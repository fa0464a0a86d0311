#pragma once

#include <functional>
#include <string>

namespace padscope {

// Receives one finished line of the on-screen message log. The GUI installs a
// sink that appends to its list box (waiting for the UI thread when called from
// another thread); the CLI may install one that prints. Without a sink a line
// goes nowhere.
using MessageLogSink = std::function<void(const std::string& line)>;

// Installs the sink (an empty function removes it). Not meant to race with
// AddMessageLog; install it before workers start.
void SetMessageLogSink(MessageLogSink sink);

// Formats one printf-style line, at most 800 characters, and hands it to the
// sink. Any thread may call it. The format is always the caller's literal text;
// outside text goes in as an argument ("%s").
void AddMessageLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace padscope
