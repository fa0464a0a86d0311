#pragma once

// Command ids of the main frame: menu items, toolbar buttons, accelerators and
// the two system-menu entries. Menus, toolbars, shortcuts and the handlers all
// refer to these names, so an id is written down in this one place only.

namespace padscope {

// Capture control.
inline constexpr int kCmdStartCapture = 32771;
inline constexpr int kCmdStopCapture = 32773;

// Graph menu: axis, sampling precision, waveform bottom.
inline constexpr int kCmdTimeMode = 32774;
inline constexpr int kCmdDataMode = 32775;
inline constexpr int kCmdHighPrecision = 32776;
inline constexpr int kCmdLowPrecision = 32777;
inline constexpr int kCmdLowRangeAsBottom = 32782;

// Key-value window and output zoom (Down, Up, Right, Left).
inline constexpr int kCmdKeyRangeDown = 32784;
inline constexpr int kCmdKeyRangeUp = 32785;
inline constexpr int kCmdOutputZoomUp = 32786;
inline constexpr int kCmdOutputZoomDown = 32787;

// Data files.
inline constexpr int kCmdDumpOriginalData = 32788;
inline constexpr int kCmdDumpThreshold = 32794;
inline constexpr int kCmdLoadData = 32814;
inline constexpr int kCmdTogglePlayback = 32859;

// Message log and dialogs.
inline constexpr int kCmdClearMessageLog = 32799;
inline constexpr int kCmdGlobalParameters = 32800;
inline constexpr int kCmdHexThresholds = 32811;
inline constexpr int kCmdUtilities = 32813;
inline constexpr int kCmdRecharge = 32826;

// Algorithm choice (Hong Kong File menu and the Tuning menu).
inline constexpr int kCmdAlgorithmMa = 32808;
inline constexpr int kCmdAlgorithmInte = 32809;

// Channel mode.
inline constexpr int kCmdSingleByte16Tk = 32820;
inline constexpr int kCmdDoubleByte8Tk = 32822;

// Raw-value window: positioning, coordinate zoom, move, pan.
inline constexpr int kCmdPositionCoordinates = 32824;
inline constexpr int kCmdCoordZoomIn = 32827;
inline constexpr int kCmdCoordZoomOut = 32828;
inline constexpr int kCmdRangeUp = 32837;
inline constexpr int kCmdRangeUpKey = 133;  // Page Up accelerator, same effect as kCmdRangeUp
inline constexpr int kCmdRangeDown = 32838;
inline constexpr int kCmdRangeDownKey = 134;  // Page Down accelerator, same as kCmdRangeDown
inline constexpr int kCmdPanLeft = 32839;
inline constexpr int kCmdPanRight = 32840;

// Help.
inline constexpr int kCmdRealTimeVideo = 32845;
inline constexpr int kCmdRecordingVideo = 32847;
inline constexpr int kCmdInstructions = 32849;
inline constexpr int kCmdAbout = 57664;

// View switches.
inline constexpr int kCmdFollowRawValue = 32853;
inline constexpr int kCmdEnableLog = 32855;
inline constexpr int kCmdSetTkRange = 32858;
inline constexpr int kCmdViewToolbar = 59392;
inline constexpr int kCmdViewStatusBar = 59393;  // also the status bar's window id

// Tuning: measurement cursors on the waveform view, the tuning panel, fitting
// both scopes' ranges to the values in view, saving the cursors' range, the
// guided measurement.
inline constexpr int kCmdMeasure = 32870;
inline constexpr int kCmdTuningPanel = 32871;
inline constexpr int kCmdFitToData = 32872;
inline constexpr int kCmdExportRange = 32873;
inline constexpr int kCmdGuidedMeasurement = 32874;

inline constexpr int kCmdExit = 57665;

// System menu.
inline constexpr int kCmdChangeLanguage = 2345;
inline constexpr int kCmdCheckUpdate = 2346;

}  // namespace padscope
