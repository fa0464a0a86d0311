// Load flash data and the precondition every flash operation shares.
#include <chrono>
#include <cstdio>
#include <thread>

#include "capture/CaptureContext.h"
#include "flash/FlashGeometry.h"
#include "flash/FlashLoader.h"
#include "flash/FlashOperations.h"
#include "link/HidAdapter.h"
#include "platform/Prompt.h"
#include "platform/Tick.h"

namespace padscope {

namespace {

// The progress range of a load: a fixed value, the bar stays hidden.
constexpr int kLoadProgressRange = 0x400000;
// The UI loop's round while the loader runs: long enough that the status and
// the log do not flood the window, short enough that it stays responsive.
constexpr int kLoadRoundMs = 20;

std::string Format(const char* format, int value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void PrepareForLoad(CaptureContext& ctx) {
  ctx.frameLayout = -1;
  ctx.candidateLayout = -1;
  ctx.writeIndex.store(0, std::memory_order_release);
  ctx.BeginNewContents();
  ctx.replayStamps = true;
  ctx.lastSampleTime = 0;
  ctx.liveEndTime = 0;
  ctx.runState = kRunReplaying;
}

}  // namespace

class RealClock : public FlashClock {
 public:
  uint32_t NowMs() override { return TickMs(); }
  void SleepMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

FlashClock& RealFlashClock() {
  static RealClock clock;
  return clock;
}

bool FlashPrecondition(const FlashTargets& t, FlashHost& host, bool clearPresence) {
  if (t.capture.runState != kRunStopped) {
    ShowPrompt(kMsgStopCaptureFirst);
    return false;
  }
  if (!t.adapter.Connect()) {
    if (clearPresence) {
      t.devicePresent = false;
    }
    ShowPrompt(kMsgNoDevice);
    return false;
  }
  host.AdapterConnected(t.adapter);
  return true;
}

LoadResult RunFlashLoad(const FlashTargets& t, FlashHost& host) {
  LoadResult result;
  if (!FlashPrecondition(t, host)) {
    return result;
  }
  CaptureContext& ctx = t.capture;
  host.SetProgressRange(kLoadProgressRange);
  host.EnableButtons(false);
  if (!ctx.HasFrames() && !ctx.AllocateFrames(t.bufferFrames)) {
    ShowPrompt(kMsgMemoryFailed);
    host.EnableButtons(true);
    return result;
  }
  PrepareForLoad(ctx);
  const int limit = ReadFlashInfo(t.adapter).Geometry().frameLimit;

  FlashLoader loader;
  loader.Start(t.adapter, ctx);
  int logged = -1;
  while (ctx.WriteIndex() < limit) {
    const int index = ctx.WriteIndex();
    host.SetProgress(index);
    host.SetStatus(Format("loading... %d", index + 1));
    host.DispatchEvents();
    // One line per round that brought frames: the pane shows the load moving
    // without repeating a count it already holds.
    if (index != logged) {
      host.AppendLog(Format("loading data frame: %d", index));
      logged = index;
    }
    lastFrameLayout = 3;
    // The loader also ends at the buffer's end or when the adapter is gone,
    // short of the limit; the loop must not wait for frames that never come.
    if (loader.LoadDone() || loader.WaitFinished(kLoadRoundMs)) {
      break;
    }
  }
  loader.Join();
  result.end = loader.End();
  result.frames = ctx.WriteIndex();

  if (result.end == LoadEnd::BufferFull) {
    // The flash may hold more than was read: say so where it stays visible.
    host.SetStatus(Format("%d Loaded. ", result.frames) + kMsgLoadBufferFull);
    host.AppendLog(kMsgLoadBufferFull);
  } else {
    host.SetStatus(Format("%d Loaded.", result.frames));
  }
  ctx.runState = kRunStopped;
  host.SetProgress(kLoadProgressRange);
  host.EnableButtons(true);

  result.chartName = host.SaveLoadedChart();
  if (result.chartName) {
    host.SetStatus("File list: <  " + *result.chartName + "  > ");
  }
  return result;
}

}  // namespace padscope
