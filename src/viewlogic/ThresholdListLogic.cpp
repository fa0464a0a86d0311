#include "viewlogic/ThresholdListLogic.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

#include "capture/CaptureContext.h"
#include "capture/CaptureControl.h"
#include "capture/CaptureHost.h"
#include "link/Opcodes.h"
#include "link/SendBuffers.h"
#include "platform/MessageLog.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

// A measurement starts with a minimum above and a maximum below every stored
// value (16 bits, offset by 0x8000), so the first value sets both.
inline constexpr int32_t kBalanceStartMin = 0x10000;
inline constexpr int32_t kBalanceStartMax = -1;
inline constexpr int32_t kBalanceDisabledValue = 255;
// The threshold travels as one byte.
inline constexpr int kMaxSentThreshold = 255;

void StoreShared(int32_t& field, int32_t value) {
  std::atomic_ref<int32_t>(field).store(value, std::memory_order_relaxed);
}

}  // namespace

void PrintThresholds(const GlobalSettings& settings, const CaptureContext& ctx) {
  AddMessageLog("============ Threshold:");
  const int channels = ctx.ChannelsInFrame();
  for (int i = 0; i < channels; ++i) {
    AddMessageLog("TH %d : %d", i, settings.channel[static_cast<size_t>(i)].EffectiveThreshold());
  }
  AddMessageLog("%s", "");
}

void PrintRawValues(const CaptureContext& ctx) {
  const int layout = ctx.FrameLayout();
  if (layout < 0 || layout > 3) {
    AddMessageLog("No Base Line Data to Print.");
    return;
  }
  AddMessageLog("============ Base Line:");
  const int newest = ctx.WriteIndex() - 1;
  if (newest < 0) {
    AddMessageLog("No Base Line Data to Print.");
    return;
  }
  const int channels = ctx.ChannelsInFrame();
  for (int i = 0; i < channels; ++i) {
    AddMessageLog("BL %d : %d", i, ctx.RawValue(newest, i) - kValueOffset);
  }
  AddMessageLog("%s", "");
}

int AutoBalanceThreshold(int rawMin, int rawMax, float factor) {
  const double span = static_cast<double>(int64_t{rawMax} - rawMin);
  const double t = std::trunc(span * factor + 0.5);
  if (!(t > std::numeric_limits<int>::min())) {  // also catches NaN
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(std::min<double>(t, std::numeric_limits<int>::max()));
}

bool SendChannelThreshold(CaptureContext& ctx, HidAdapter& adapter, int channel, int threshold) {
  ClearSendBuffer(ctx.sendBuffers, kThresholdBuffer);
  SetSendByte(ctx.sendBuffers, kThresholdBuffer, 0, channel);
  SetSendByte(ctx.sendBuffers, kThresholdBuffer, 1, threshold);
  return SendBuffer(&adapter, ctx.sendBuffers, kOpSendThreshold, kThresholdBuffer);
}

const char* StartAutoBalance(CaptureContext& ctx, GlobalSettings& settings, HidAdapter& adapter,
                             CaptureHost& host) {
  // The spans are reset before the flag goes up, so the capture thread never
  // widens a span left over from the last measurement; the flag is up before
  // the capture starts, so the thread keeps the button for the second press.
  for (ChannelConfig& ch : settings.channel) {
    const bool enabled = IsChannelEnabled(ch);
    StoreShared(ch.rawMax, enabled ? kBalanceStartMax : kBalanceDisabledValue);
    StoreShared(ch.rawMin, enabled ? kBalanceStartMin : kBalanceDisabledValue);
  }
  ctx.autoBalance = true;
  if (ctx.runState == kRunStopped) {
    StartCapture(ctx, adapter, host);
  }
  return kAutoBalanceMeasuringText;
}

const char* FinishAutoBalance(CaptureContext& ctx, GlobalSettings& settings, HidAdapter& adapter,
                              CaptureHost& host, uint16_t* sentChannels) {
  uint16_t sentMask = 0;
  ctx.autoBalance = false;
  // Once the thread has ended, the spans are no longer written.
  StopCapture(ctx, adapter, host);
  const int channels = ctx.ChannelsInFrame();
  for (int i = 0; i < channels; ++i) {
    const ChannelConfig& ch = settings.channel[static_cast<size_t>(i)];
    if (!IsChannelEnabled(ch)) {
      continue;
    }
    // A channel that saw no frame still holds the reset values (max below
    // min); a threshold from that would be garbage, so it is not sent.
    if (ch.rawMax < ch.rawMin) {
      AddMessageLog("No raw values measured on CH%d; threshold not updated.", i);
      continue;
    }
    const int t = AutoBalanceThreshold(ch.rawMin, ch.rawMax, ctx.thresholdFactor);
    // A wider span would wrap in the byte to a tiny threshold that makes every
    // sample a touch; the largest threshold the byte holds is sent instead.
    const int sent = std::min(t, kMaxSentThreshold);
    if (!SendChannelThreshold(ctx, adapter, i, sent)) {
      AddMessageLog("update threshold failed.");
      continue;
    }
    sentMask |= static_cast<uint16_t>(1u << i);
    if (sent == t) {
      AddMessageLog("Update threshold of CH%d (%d) (%d - %d)", i, t, ch.rawMin, ch.rawMax);
    } else {
      AddMessageLog("Update threshold of CH%d (%d) (%d - %d), limited from %d", i, sent, ch.rawMin,
                    ch.rawMax, t);
    }
  }
  if (sentChannels != nullptr) {
    *sentChannels = sentMask;
  }
  return kAutoBalanceIdleText;
}

const char* ToggleAutoBalance(CaptureContext& ctx, GlobalSettings& settings, HidAdapter& adapter,
                              CaptureHost& host, uint16_t* sentChannels) {
  if (ctx.autoBalance) {
    return FinishAutoBalance(ctx, settings, adapter, host, sentChannels);
  }
  return StartAutoBalance(ctx, settings, adapter, host);
}

}  // namespace padscope
