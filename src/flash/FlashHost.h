#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace padscope {

class CaptureContext;
class HidAdapter;

// What the flash operations tell the page that runs them (the Utilities
// dialog's flash page, or the CLI's console). Load and Erase call it on the
// thread that runs them; Write calls it from its worker and the progress
// animation thread, so an implementation behind widgets hands every call on
// to its UI thread.
class FlashHost {
 public:
  virtual ~FlashHost() = default;

  // The one-line status text.
  virtual void SetStatus(const std::string& text) = 0;
  // One line for the log pane.
  virtual void AppendLog(const std::string& line) = 0;
  virtual void ShowProgress(bool shown) = 0;
  virtual void SetProgressRange(int maximum) = 0;
  virtual void SetProgress(int position) = 0;
  // The three buttons: load, erase and write.
  virtual void EnableButtons(bool enabled) = 0;
  // Handles what waits in the event loop (the long loops call it every round).
  virtual void DispatchEvents() = 0;
  // A Connect succeeded: the main frame refreshes its line-mode pane.
  virtual void AdapterConnected(const HidAdapter& /*adapter*/) {}
  // After a load: saves the buffer as a chart; the chart's file name when one
  // was written, nothing when cancelled or failed.
  virtual std::optional<std::string> SaveLoadedChart() { return std::nullopt; }
  // False once the page is gone; the progress animation stops then.
  virtual bool PageAlive() { return true; }
};

// Time for the erase wait, so that a test can let 80 seconds pass at once.
class FlashClock {
 public:
  virtual ~FlashClock() = default;
  virtual uint32_t NowMs() = 0;
  virtual void SleepMs(int ms) = 0;
};

// TickMs and a real sleep.
FlashClock& RealFlashClock();

// Everything a flash operation works on. The adapter, the capture context and
// the flag outlive the operation.
struct FlashTargets {
  HidAdapter& adapter;
  CaptureContext& capture;
  // Frames to allocate when the capture context has no buffer yet.
  int bufferFrames = 0;
  // Cleared by the device-removal handling; an erase waits only while it is set.
  std::atomic<bool>& devicePresent;
  FlashClock& clock = RealFlashClock();
};

}  // namespace padscope
