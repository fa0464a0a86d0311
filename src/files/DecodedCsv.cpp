#include "files/DecodedCsv.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

#include "analysis/AnalysisFrame.h"
#include "capture/CaptureContext.h"

namespace padscope {

bool WriteDecodedCsv(std::ostream& out, const CaptureContext& ctx, bool singleByteMode, int from,
                     int to) {
  const int channels = ctx.ChannelsInFrame();
  out << "frame,time_ms";
  for (int ch = 0; ch < channels; ++ch) {
    out << ",ch" << ch << ",ch" << ch << "_key";
  }
  out << ",keys\n";
  const int last = std::min(to, ctx.WriteIndex() - 1);
  AnalysisFrame first;
  const uint32_t t0 = ReadAnalysisFrame(ctx, 0, singleByteMode, first) ? first.timestamp : 0;
  AnalysisFrame f;
  std::string row;
  for (int k = std::max(from, 0); k <= last; ++k) {
    if (!ReadAnalysisFrame(ctx, k, singleByteMode, f) || f.invalid) {
      continue;
    }
    // Appended piece by piece: GCC 12 at -O3 takes a chain of string joins
    // for overlapping copies.
    row = std::to_string(k);
    row += ',';
    row += std::to_string(f.timestamp - t0);
    for (int ch = 0; ch < channels; ++ch) {
      row += ',';
      if (k != 0) {  // the buffer's first frame carries no first values
        row += std::to_string(f.raw[ch]);
      }
      row += ',';
      row += std::to_string(f.output[ch]);
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(f.keys));
    out << row << "," << hex << "\n";
  }
  return static_cast<bool>(out);
}

}  // namespace padscope
