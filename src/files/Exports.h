#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace padscope {

class CaptureContext;
struct GlobalSettings;

// Text exports. Every line ends with CR LF, as the files have always been
// written, whatever the platform. Each returns false on a write error.

// The raw-frame table: a header "0,1,...,63," then one line per frame slot
// from slot writeIndex down to slot 0, each the 64 raw bytes as "%d,".
bool WriteRawFrameTable(std::FILE* out, const CaptureContext& ctx);

// Every line of the message log, top to bottom.
bool WriteMessageLogText(std::FILE* out, const std::vector<std::string>& lines);

// One line "CH %d    %d" per shown channel: its number and its threshold
// (with the pending drag).
bool WriteThresholdDump(std::FILE* out, const GlobalSettings& settings);

// Dump Threshold: appends the threshold dump to "data/Threhold.txt" (the file
// has always been named so) below `folder`, creating "data" when missing. The
// folder may be one other users can write (the current folder), so a "data"
// that is a symbolic link, or a "Threhold.txt" that is a link or another user's
// file, is refused. False when nothing could be written.
bool AppendThresholdDump(const std::filesystem::path& folder, const GlobalSettings& settings);

}  // namespace padscope
