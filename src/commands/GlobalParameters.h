#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace padscope {

class CaptureContext;
class HidAdapter;
struct GlobalSettings;

// The Setting dialog's fields as texts, the way the user sees and types them.
struct ParameterForm {
  std::string chTimer;        // "CH Timer(1-7):"
  std::string elapse;         // "Sampling Elapse(ms):", one decimal
  std::string times;          // "Times:"
  std::string maxHoldKey;     // "Max Hold Key Time(1-5S):"
  std::string debounce;       // "Debounce Time(2-10):", or the threshold in parameterMode 2
  bool noComposeKey = false;  // "No Compose Key"
  std::string bufferKb;       // "Capture Buffer Size (KB)"
};

// Messages of the dialog's OK step.
inline constexpr const char* kStopFirstText = "请先停止.";
inline constexpr const char* kChTimerRangeText = "CH Timer Range: 1-7.";
inline constexpr const char* kMaxHoldRangeText = "Max Key Hold Time Range: 1-5.";
inline constexpr const char* kThresholdRangeText = "Threshold Range: 1-260";
inline constexpr const char* kDebounceRangeText = "Debounce Time Range: 2-10.";
inline constexpr const char* kTimesRangeText = "Times Range: 0-65535.";
inline constexpr const char* kNoDeviceText = "No device found.";
inline constexpr const char* kSendFailedText = "Set parameter to USB device failed.";
inline constexpr const char* kBufferFailedText =
    "Memory allocate failed.\nPlease input a new value for buffer size.";

// Label of the debounce field: the threshold takes its place in parameterMode 2.
const char* DebounceLabel(int32_t parameterMode);

// The fields as the dialog opens: the stored values, the elapse as "%.1f" ms.
ParameterForm InitialParameterForm(const GlobalSettings& settings);

// Text to number as the dialog reads its integer fields: surrounding blanks are
// ignored, anything that is not a whole number reads as 0, and values beyond
// the int32 range are held at its ends.
int32_t FieldToInt(const std::string& text);

// The largest capture buffer, in KB, whose frame count still fits bufferFrames.
inline constexpr int32_t kMaxBufferKb = INT32_MAX >> 10;

// The parameters checked and converted, ready to send and store.
struct ParameterValues {
  int32_t chTimer = 0;
  uint16_t times = 0;
  uint16_t elapseTenths = 0;
  int32_t maxHoldKeyTime = 0;
  int32_t debounceOrThreshold = 0;
  int32_t noComposeKey = 0;
  int32_t bufferKb = 0;
};

// Checks the fields in the dialog's order. Returns the first refusal's message,
// or an empty text when *values (if given) holds the checked parameters.
// Times beyond 16 bits and a buffer of 0 KB (or too large for bufferFrames) are
// refused too: the one would spill into the elapse half of the sampling word,
// the other leaves the capture thread no frame to write into.
std::string CheckParameters(const ParameterForm& form, int32_t parameterMode,
                            ParameterValues* values);

// Fills send buffer 0 of the context with the five parameter bytes (all others
// zero), in the order the chip expects them.
void FillParameterBuffer(CaptureContext& ctx, const ParameterValues& values);

// What OK asks of the window about the frame buffer it empties.
struct BufferHooks {
  // Asked before the parameters go out; false keeps the buffer (and the
  // dialog open) without a message. Unset: the buffer may go.
  std::function<bool()> mayDiscard;
  // Told once the buffer was emptied (resized, or lost to a failed
  // allocation), so that every view shows it at once.
  std::function<void()> emptied;
};

struct ApplyResult {
  bool accepted = false;  // the dialog may close with OK
  std::string message;    // message box to show; empty for none
};

// The dialog's OK step: refuses while a capture or replay runs (or a capture
// thread has not yet ended), checks the
// fields, connects the adapter if needed, sends the parameters with opcode 0xF4
// through buffer 0, and only after a successful send stores them in settings
// and reallocates the frame buffer with the new size. Before sending it asks
// hooks.mayDiscard, since the buffer's frames go with the reallocation. A
// null adapter refuses without a message. UI thread, with no capture thread
// running.
ApplyResult ApplyGlobalParameters(const ParameterForm& form, GlobalSettings& settings,
                                  CaptureContext& ctx, HidAdapter* adapter,
                                  const BufferHooks& hooks = {});

}  // namespace padscope
