#pragma once

// Enable and check rules of the main frame's menu items and toolbar buttons.

#include <optional>

namespace padscope {

struct GlobalSettings;
struct FrameFields;

// The state the check marks depend on besides the two records.
struct CheckInputs {
  const GlobalSettings& settings;
  const FrameFields& frame;
  bool logEnabled = false;
  bool toolbarVisible = true;
  bool statusBarVisible = true;
  bool measuring = false;           // the waveform view's measure mode
  bool tuningPanelVisible = false;  // the Tuning dock
  bool walkRunning = false;         // a guided measurement is under way
};

// Whether command `id` is enabled with the capture in `runState`: Start is
// disabled while capture runs (1), Stop while it is stopped (0), Export Range
// while the cursors do not mark a range; every other command is always
// enabled. UI thread.
bool IsCommandEnabled(int id, int runState, bool rangeMarked = false);

// The check mark of command `id`, or nullopt when the command has none. UI thread.
std::optional<bool> IsCommandChecked(int id, const CheckInputs& in);

}  // namespace padscope
