#pragma once

#include <cstdint>

namespace padscope {

class CaptureContext;
class CaptureHost;
class HidAdapter;

// At most five value-width reports are sent per Start.
inline constexpr int kMaxValueWidthReports = 5;

// The longest sampling period: the millisecond schedule compares ticks as
// signed differences.
inline constexpr int64_t kMaxSamplingPeriodMs = 0x7FFFFFFF;

// The sampling period in milliseconds: Times x (Sampling Elapse tenths x 0.1),
// truncated toward zero; 0 (read at every cycle) when either is 0 or less.
uint32_t SamplingPeriodMs(int samplingTimes, int samplingElapseTenths);

// The acquisition loop: connects, starts the adapter's stream, then once per
// sampling period reads one 64-byte frame into the buffer, decodes it, keeps
// the channel statistics and reports the value width; ends when stopRequest is
// set, leaving threadFinished true. Runs on its own thread (started by
// StartCapture); reads and writes GlobalSettings::Instance().
void CaptureThreadMain(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host);

}  // namespace padscope
