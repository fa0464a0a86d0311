#pragma once

// What the threshold list view's buttons do, without the window: printing the
// thresholds and the newest raw values into the message log, and Auto Balance,
// which measures each channel's raw-value span during a capture and sends a
// threshold derived from it to the chip.

#include <cstdint>

namespace padscope {

struct GlobalSettings;
class CaptureContext;
class CaptureHost;
class HidAdapter;

// Texts of the Auto Balance button in its two states.
inline constexpr const char* kAutoBalanceIdleText = "Auto Balance";
inline constexpr const char* kAutoBalanceMeasuringText = "Finished";

// Adds "============ Threshold:", one "TH i : threshold" line per channel below
// channelCount (at most 16) and an empty line to the message log. UI thread.
void PrintThresholds(const GlobalSettings& settings, const CaptureContext& ctx);

// Adds "============ Base Line:" and one "BL i : value" line per channel of the
// newest complete frame (the signed raw value) and an empty line; "No Base
// Line Data to Print." instead when there is no frame or no accepted layout.
// UI thread.
void PrintRawValues(const CaptureContext& ctx);

// The Auto Balance button: starts measuring when ctx.autoBalance is false,
// else finishes (setting *sentChannels as FinishAutoBalance does). Returns
// the button's new text (a static string). UI thread.
const char* ToggleAutoBalance(CaptureContext& ctx, GlobalSettings& settings, HidAdapter& adapter,
                              CaptureHost& host, uint16_t* sentChannels = nullptr);

// Resets every channel's rawMax/rawMin (below and above every value a channel
// can hold when enabled, 255 and 255 otherwise), sets ctx.autoBalance, from
// which on the capture thread widens the enabled channels' spans, and starts
// capture when it is stopped. Returns kAutoBalanceMeasuringText.
const char* StartAutoBalance(CaptureContext& ctx, GlobalSettings& settings, HidAdapter& adapter,
                             CaptureHost& host);

// Clears ctx.autoBalance, stops capture, then sends each enabled channel below
// channelCount the threshold round((rawMax - rawMin) x thresholdFactor), at
// most 255, with opcode 0xF7 through send buffer 2, logging each result (and
// when the threshold was limited).
// The settings' thresholds are not changed. *sentChannels (when given) gets
// bit k for each channel k whose threshold went through. Returns
// kAutoBalanceIdleText.
const char* FinishAutoBalance(CaptureContext& ctx, GlobalSettings& settings, HidAdapter& adapter,
                              CaptureHost& host, uint16_t* sentChannels = nullptr);

// Sends one channel's threshold to the chip: opcode 0xF7 with the channel in
// byte 0 and the low 8 bits of the threshold in byte 1 of send buffer 2.
// Returns whether the transfer went through. UI thread.
bool SendChannelThreshold(CaptureContext& ctx, HidAdapter& adapter, int channel, int threshold);

// The threshold Auto Balance derives from a measured span: trunc(span x factor
// + 0.5), held to the int32 range.
int AutoBalanceThreshold(int rawMin, int rawMax, float factor);

}  // namespace padscope
