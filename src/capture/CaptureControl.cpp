#include "capture/CaptureControl.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "capture/CaptureContext.h"
#include "capture/CaptureHost.h"
#include "capture/CaptureThread.h"
#include "capture/WriteLog.h"
#include "link/HidAdapter.h"

namespace padscope {

namespace {

constexpr const char* kMainTag = "主线程";
constexpr int kStopPollMs = 50;

void Log(CaptureHost& host, const char* text) {
  if (host.logEnabled) {
    WriteLog(kMainTag, "%s", text);
  }
}

// Waits, pumping events, until the capture thread has finished, then joins it.
void WaitForThread(CaptureContext& ctx, CaptureHost& host) {
  while (!ctx.threadFinished) {
    host.PumpEvents();
    if (!ctx.threadFinished) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kStopPollMs));
    }
  }
  if (ctx.captureThread.joinable() && ctx.captureThread.get_id() != std::this_thread::get_id()) {
    ctx.captureThread.join();
  }
}

// Steps of Stop Capture up to the wait. False when no adapter can be connected.
bool RequestStop(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host) {
  Log(host, " AppStop 停止");
  if (!adapter.Connect(&host)) {
    return false;
  }
  {
    // The capture thread connects and sends its start command under this lock,
    // and only while no stop was requested: the model flags read here are
    // settled, and the stop is the adapter's last stream command.
    std::lock_guard lock(ctx.streamCommandLock);
    ctx.stopRequest = true;
    if (adapter.isCorvex) {
      adapter.StopStream();
    } else if (adapter.isPelmira) {
      adapter.StopStreamP();
    }
  }
  Log(host, " Stop read IIC  / Stop read Buffer");
  ctx.stopRequest = true;
  return true;
}

}  // namespace

bool StartCapture(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host) {
  Log(host, " 点击开始");
  if (ctx.runState != kRunStopped) {
    return false;
  }
  // Connect keeps answering true from stale handles once the adapter was
  // unplugged; only an adapter this pass found is there to capture from.
  if (!adapter.Connect(&host) || !adapter.IsPresent()) {
    host.ShowMessage("NO device.");
    Log(host, " 没有检测到设备");
    return false;
  }
  // The adapter may have been plugged in before the program started, when no
  // arrival was seen: a later removal must still stop capture.
  host.devicePresent = true;
  host.AdapterConnected(adapter);
  Log(host, " 检测到设备");
  // A thread told to stop by a device removal may still be running: never let
  // two threads fill the same buffer.
  WaitForThread(ctx, host);
  host.layoutReportCount = 0;
  ctx.ResetFrames();
  Log(host, "ResetBuffer,  Capture Data Thread Running");
  ctx.stopRequest = false;
  ctx.runState = kRunRunning;
  // Marked as running before the thread starts so that a Stop right after Start
  // waits for it.
  ctx.threadFinished = false;
  ctx.captureThread =
      std::thread([&ctx, &adapter, &host] { CaptureThreadMain(ctx, adapter, host); });
  return true;
}

void StopCapture(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host) {
  if (!RequestStop(ctx, adapter, host)) {
    return;
  }
  WaitForThread(ctx, host);
  ctx.runState = kRunStopped;
}

void StopCaptureWithoutWait(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host) {
  RequestStop(ctx, adapter, host);
  ctx.runState = kRunStopped;
}

bool HandleDeviceRemoval(CaptureContext& ctx, CaptureHost& host) {
  if (!host.devicePresent) {
    return false;
  }
  host.devicePresent = false;
  ctx.stopRequest = true;
  ctx.runState = kRunStopped;
  return true;
}

void HandleDeviceArrival(HidAdapter& adapter, CaptureHost& host) {
  if (!host.devicePresent && adapter.Connect(&host)) {
    host.devicePresent = true;
  }
}

}  // namespace padscope
