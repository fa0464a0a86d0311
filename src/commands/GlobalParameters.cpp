#include "commands/GlobalParameters.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "capture/CaptureContext.h"
#include "commands/DecimalInput.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"
#include "link/SendBuffers.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

constexpr int32_t kMaxTimes = 0xFFFF;

bool InRange(int32_t v, int32_t lo, int32_t hi) {
  return v >= lo && v <= hi;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

const char* DebounceLabel(int32_t parameterMode) {
  return parameterMode == 2 ? "Threshold(0-260):" : "Debounce Time(2-10):";
}

ParameterForm InitialParameterForm(const GlobalSettings& s) {
  ParameterForm form;
  form.chTimer = std::to_string(s.chTimer);
  form.maxHoldKey = std::to_string(s.maxHoldKeyTime);
  form.bufferKb = std::to_string(s.bufferFrames / 1024);
  form.debounce = std::to_string(s.debounceTime);
  form.noComposeKey = s.noComposeKey != 0;
  form.elapse = Format("%.1f", s.samplingElapseTenths * 0.1);
  form.times = std::to_string(s.samplingTimes);
  return form;
}

int32_t FieldToInt(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) {
    ++begin;
  }
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) {
    --end;
  }
  const char* first = text.data() + begin;
  const char* last = text.data() + end;
  bool negative = false;
  if (first < last && (*first == '+' || *first == '-')) {
    negative = *first == '-';
    ++first;
  }
  if (first == last || !std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  long long value = 0;
  for (const char* p = first; p < last; ++p) {
    value = std::min(value * 10 + (*p - '0'), static_cast<long long>(INT32_MAX) + 1);
  }
  value = negative ? -value : value;
  return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

std::string CheckParameters(const ParameterForm& form, int32_t parameterMode,
                            ParameterValues* values) {
  ParameterValues v;
  v.chTimer = FieldToInt(form.chTimer);
  if (!InRange(v.chTimer, 1, 7)) {
    return kChTimerRangeText;
  }
  v.maxHoldKeyTime = FieldToInt(form.maxHoldKey);
  if (!InRange(v.maxHoldKeyTime, 1, 5)) {
    return kMaxHoldRangeText;
  }
  v.debounceOrThreshold = FieldToInt(form.debounce);
  if (parameterMode == 2) {
    if (!InRange(v.debounceOrThreshold, 1, 260)) {
      return kThresholdRangeText;
    }
  } else if (!InRange(v.debounceOrThreshold, 2, 10)) {
    return kDebounceRangeText;
  }
  const int32_t times = FieldToInt(form.times);
  if (!InRange(times, 0, kMaxTimes)) {
    return kTimesRangeText;
  }
  v.times = static_cast<uint16_t>(times);
  v.noComposeKey = form.noComposeKey ? 1 : 0;
  v.elapseTenths = static_cast<uint16_t>(DecimalTextToTenths(form.elapse));
  v.bufferKb = FieldToInt(form.bufferKb);
  if (!InRange(v.bufferKb, 1, kMaxBufferKb)) {
    return kBufferFailedText;
  }
  if (values != nullptr) {
    *values = v;
  }
  return {};
}

void FillParameterBuffer(CaptureContext& ctx, const ParameterValues& v) {
  ClearSendBuffer(ctx.sendBuffers, kParameterBuffer);
  const int bytes[] = {v.chTimer, v.times, v.maxHoldKeyTime, v.debounceOrThreshold, v.noComposeKey};
  for (int k = 0; k < 5; ++k) {
    SetSendByte(ctx.sendBuffers, kParameterBuffer, k, bytes[k]);
  }
}

ApplyResult ApplyGlobalParameters(const ParameterForm& form, GlobalSettings& settings,
                                  CaptureContext& ctx, HidAdapter* adapter,
                                  const BufferHooks& hooks) {
  // A capture thread told to stop by an unplug may still be writing frames for
  // a moment after runState went to 0; the buffer must not be freed under it.
  if (ctx.runState.load() != kRunStopped || !ctx.threadFinished.load()) {
    return {false, kStopFirstText};
  }
  ParameterValues v;
  if (std::string refusal = CheckParameters(form, settings.parameterMode, &v); !refusal.empty()) {
    return {false, std::move(refusal)};
  }
  if (adapter == nullptr) {
    return {false, {}};
  }
  if (!adapter->IsConnected() && !adapter->Connect()) {
    return {false, kNoDeviceText};
  }
  if (hooks.mayDiscard && !hooks.mayDiscard()) {
    return {false, {}};
  }
  FillParameterBuffer(ctx, v);
  if (!SendBuffer(adapter, ctx.sendBuffers, kOpSendParameters, kParameterBuffer)) {
    return {false, kSendFailedText};
  }

  // The chip has the parameters: only now do they become the settings.
  settings.chTimer = v.chTimer;
  settings.samplingTimes = v.times;
  settings.samplingElapseTenths = v.elapseTenths;
  settings.maxHoldKeyTime = v.maxHoldKeyTime;
  settings.debounceTime = v.debounceOrThreshold;
  settings.noComposeKey = v.noComposeKey;
  settings.bufferFrames = v.bufferKb << 10;
  const bool allocated = ctx.AllocateFrames(settings.bufferFrames);
  if (hooks.emptied) {
    hooks.emptied();
  }
  if (!allocated) {
    return {false, kBufferFailedText};
  }
  return {true, {}};
}

}  // namespace padscope
