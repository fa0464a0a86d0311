#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace padscope {

class HidAdapter;

inline constexpr int kValueWidthDouble = 0;  // status pane "Double 8TK"
inline constexpr int kValueWidthSingle = 1;  // status pane "Single 16TK"

// The window that runs capture, as the capture engine sees it: what the engine
// tells it and the few of its fields the engine shares. The GUI's main frame
// implements it; the CLI has a console one.
class CaptureHost {
 public:
  virtual ~CaptureHost() = default;

  // The stream's value width (kValueWidthDouble or kValueWidthSingle). Called
  // on the capture thread; the GUI hands it on to the UI thread.
  virtual void ReportValueWidth(int width) = 0;
  // A layout of 2 or 3 was accepted: the threshold list hides "Auto Balance".
  virtual void HideAutoBalanceButton() = 0;
  // A message box. From the capture thread it blocks only that thread.
  virtual void ShowMessage(const std::string& text) = 0;
  // Handles pending UI events while the UI thread waits for the capture thread,
  // which may itself be waiting for the UI thread.
  virtual void PumpEvents() = 0;
  // Start found the adapter: the main frame shows its wiring and firmware.
  virtual void AdapterConnected(const HidAdapter& /*adapter*/) {}

  std::atomic<bool> devicePresent{false};
  std::atomic<uint8_t> doubleByteShown{0};  // 1 when the last known stream was double-byte
  std::atomic<int> layoutReportCount{0};    // value-width reports sent since Start
  std::atomic<bool> logEnabled{false};      // "Enable Log Information"
};

}  // namespace padscope
