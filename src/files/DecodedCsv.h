#pragma once

#include <iosfwd>

namespace padscope {

class CaptureContext;

// The frames of the buffer as CSV, one row per frame from `from` to `to` (both
// included, limited to the frames written): index, milliseconds since the
// buffer's first frame, each channel's first and output value as signed
// numbers (the first values of the buffer's first frame, which carries none,
// left empty), and the key bits as "0x%04X". Invalid reports the capture kept
// are left out, as a chart leaves them out. Lines end with "\n". Returns false
// when the stream fails.
bool WriteDecodedCsv(std::ostream& out, const CaptureContext& ctx, bool singleByteMode, int from,
                     int to);

}  // namespace padscope
