#pragma once

#include <cstdio>
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

}  // namespace padscope
