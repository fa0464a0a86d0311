#pragma once

#include <cstdint>

namespace padscope {

class CaptureContext;
class CaptureHost;
class HidAdapter;

// At most five value-width reports are sent per Start.
inline constexpr int kMaxValueWidthReports = 5;

// The sampling period in milliseconds: Times x (Sampling Elapse tenths x 0.1),
// the factor in single precision and the product truncated toward zero.
uint32_t SamplingPeriodMs(int samplingTimes, int samplingElapseTenths);

// The acquisition loop: connects, starts the adapter's stream, then once per
// sampling period reads one 64-byte frame into the buffer, decodes it, keeps
// the channel statistics and reports the value width; ends when stopRequest is
// set, leaving threadFinished true. Runs on its own thread (started by
// StartCapture); reads and writes GlobalSettings::Instance().
void CaptureThreadMain(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host);

}  // namespace padscope
