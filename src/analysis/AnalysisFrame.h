#pragma once

// What the tuning analysis reads of one frame of the capture buffer. This is
// the only place that knows how a frame slot stores its decoded values, so a
// change of the slot's layout touches ReadAnalysisFrame alone.

#include <array>
#include <cstdint>

namespace padscope {

class CaptureContext;

inline constexpr int kAnalysisChannels = 16;

struct AnalysisFrame {
  // Decoded with layout 2 or 3 and not the buffer's first frame (which carries
  // no values); frames that are not are left out of every figure.
  bool decoded = false;
  // An invalid report (64 bytes of 0xFF) the capture kept without decoding it:
  // it has no values at all.
  bool invalid = false;
  uint32_t timestamp = 0;  // milliseconds, as the capture or the replay stamped it
  int channels = 0;        // channels the frame carries, at most 16
  uint16_t keys = 0;       // bit k: channel k's key bit
  // Per channel the first value as the waveform view shows it and the output
  // value the chip compares with its threshold (the byte in single-byte mode,
  // the signed 16-bit value in double-byte mode).
  std::array<int32_t, kAnalysisChannels> raw{};
  std::array<int32_t, kAnalysisChannels> output{};
};

// Reads frame `index` of the buffer as the decoder left it in `singleByteMode`.
// Returns false, leaving `out` not decoded, outside the frames written so far.
// The buffer's first frame reads with its output values, raw values of 0 and
// no key bits, but not as decoded.
bool ReadAnalysisFrame(const CaptureContext& ctx, int index, bool singleByteMode,
                       AnalysisFrame& out);

}  // namespace padscope
