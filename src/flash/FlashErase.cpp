// Erase and the wait for a running erase.
#include <algorithm>
#include <cstdio>

#include "flash/FlashGeometry.h"
#include "flash/FlashOperations.h"
#include "link/HidAdapter.h"
#include "platform/Prompt.h"

namespace padscope {

namespace {

constexpr int kEraseRoundMs = 500;

bool SendErase(HidAdapter& adapter) {
  return adapter.isCorvex ? adapter.EraseFlash() : adapter.EraseFlashP();
}

}  // namespace

EraseEnd WaitForErase(const FlashTargets& t, FlashHost& host, bool watchPresence, bool untilIdle) {
  const uint32_t start = t.clock.NowMs();
  const int estimate = ReadFlashInfo(t.adapter).Geometry().eraseSeconds;
  // Chips erase more slowly than typical now and then; a write must not
  // start while the adapter is still busy, so it waits longer.
  const int limit = untilIdle ? 2 * estimate : estimate;
  host.ShowProgress(true);
  host.SetProgressRange(estimate);
  host.SetProgress(0);
  while (!watchPresence || t.devicePresent) {
    const FlashInfo info = ReadFlashInfo(t.adapter);
    if (info.ok && info.Busy() == 0) {
      return EraseEnd::Idle;
    }
    // Unsigned difference: the millisecond clock may wrap during an erase.
    const int seconds = static_cast<int>((t.clock.NowMs() - start) / 1000);
    host.SetProgress(std::min(seconds, estimate));
    if (seconds >= limit) {
      return EraseEnd::Estimate;
    }
    char text[64];
    if (seconds < estimate) {
      std::snprintf(text, sizeof text, "Erasing %.1f%%", seconds * 100.0 / estimate);
    } else {
      std::snprintf(text, sizeof text, kStatusErasePastEstimate, seconds);
    }
    host.SetStatus(text);
    host.DispatchEvents();
    t.clock.SleepMs(kEraseRoundMs);
  }
  return EraseEnd::Removed;
}

EraseEnd RunFlashErase(const FlashTargets& t, FlashHost& host) {
  if (!FlashPrecondition(t, host, true)) {
    return EraseEnd::None;
  }
  t.devicePresent = true;
  if (!SendErase(t.adapter)) {
    ShowPrompt(kMsgEraseRefused);
    return EraseEnd::Refused;
  }
  host.EnableButtons(false);
  const EraseEnd end = WaitForErase(t, host, true);
  host.ShowProgress(false);
  host.SetStatus(t.devicePresent ? kStatusEraseDone : kStatusEraseRemoved);
  host.EnableButtons(true);
  return t.devicePresent ? end : EraseEnd::Removed;
}

}  // namespace padscope
