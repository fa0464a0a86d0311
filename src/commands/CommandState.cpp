#include "commands/CommandState.h"

#include <atomic>
#include <cstdint>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

// The capture thread writes singleByteMode through atomic_ref; read it the same way.
int32_t LoadShared(const int32_t& field) {
  return std::atomic_ref<int32_t>(const_cast<int32_t&>(field)).load(std::memory_order_relaxed);
}

}  // namespace

bool IsCommandEnabled(int id, int runState, bool rangeMarked) {
  switch (id) {
    case kCmdExportRange:
      return rangeMarked;
    case kCmdStartCapture:
      return runState != kRunRunning;
    case kCmdStopCapture:
      return runState != kRunStopped;
    default:
      return true;
  }
}

std::optional<bool> IsCommandChecked(int id, const CheckInputs& in) {
  const GlobalSettings& s = in.settings;
  switch (id) {
    case kCmdTimeMode:
      return s.timeAxisMode == 1;
    case kCmdDataMode:
      return s.timeAxisMode == 0;
    case kCmdHighPrecision:
      return s.highPrecisionSampling == 1;
    case kCmdLowPrecision:
      return s.highPrecisionSampling == 0;
    case kCmdLowRangeAsBottom:
      return s.lowRangeAsBottom == 1;
    case kCmdAlgorithmMa:
      return s.parameterMode == 1;
    case kCmdAlgorithmInte:
      return s.parameterMode == 2;
    case kCmdSingleByte16Tk:
      return LoadShared(s.singleByteMode) != 0;
    case kCmdDoubleByte8Tk:
      return LoadShared(s.singleByteMode) == 0;
    case kCmdFollowRawValue:
      return in.frame.followRawValue != 0;
    case kCmdEnableLog:
      return in.logEnabled;
    case kCmdSetTkRange:
      return in.frame.tkRangeShown != 0;
    case kCmdViewToolbar:
      return in.toolbarVisible;
    case kCmdViewStatusBar:
      return in.statusBarVisible;
    case kCmdMeasure:
      return in.measuring;
    case kCmdTuningPanel:
      return in.tuningPanelVisible;
    case kCmdGuidedMeasurement:
      return in.walkRunning;
    default:
      return std::nullopt;
  }
}

}  // namespace padscope
