#pragma once

namespace padscope {

class CaptureContext;
class CaptureHost;
class HidAdapter;

// Start Capture: connects the adapter (a failure shows "NO device."), resets the
// frame buffer and starts the capture thread. When a thread told to stop has
// not finished yet, it first waits for it (pumping events), so two capture
// threads never share the buffer. Returns true when a capture thread was
// started. UI thread.
bool StartCapture(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host);

// Stop Capture: sends the model's stop command, sets the stop request and waits,
// pumping events, until the capture thread has finished; run state 0 after.
// Does nothing when no adapter can be connected. UI thread.
void StopCapture(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host);

// What the capture thread does when the adapter has finished a replay: the
// steps of Stop Capture without the wait, then run state 0.
void StopCaptureWithoutWait(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host);

// The adapter was pulled out: stop request and run state 0 at once, without a
// stop command and without waiting. Returns whether anything changed.
bool HandleDeviceRemoval(CaptureContext& ctx, CaptureHost& host);

// An HID device arrived: reconnect when the adapter was absent. UI thread.
void HandleDeviceArrival(HidAdapter& adapter, CaptureHost& host);

}  // namespace padscope
