#pragma once

// "Send recommended thresholds": each selected key's recommended threshold
// goes to the chip as Auto Balance sends one, and becomes the key's threshold
// in the settings record, so the key scope's marks, the threshold dump and
// the HEX patch use it from then on.

#include <cstdint>

namespace padscope {

struct AnalysisResult;
struct GlobalSettings;
class CaptureContext;
class HidAdapter;

struct ThresholdApplyOutcome {
  bool refused = false;  // no selected key has a recommended threshold
  int sent = 0;
  int failed = 0;             // the transfer failed
  int skipped = 0;            // the threshold does not fit the chip's byte (1 to 255)
  uint16_t sentChannels = 0;  // bit k: channel k's threshold went through
};

// Sends the recommended threshold of every channel of `selected` (bit k:
// channel k) that `result` gives one for, with opcode 0xF7 through send
// buffer 2, one message-log line per channel; stores each one that went
// through as the channel's threshold (the pending drag dropped). Nothing is
// sent when no selected channel has a recommended threshold. UI thread.
ThresholdApplyOutcome SendRecommendedThresholds(const AnalysisResult& result, uint16_t selected,
                                                CaptureContext& ctx, GlobalSettings& settings,
                                                HidAdapter& adapter);

}  // namespace padscope
