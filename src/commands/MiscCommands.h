#pragma once

// The main frame's miscellaneous commands that need no window: the logging
// switch, the algorithm choice, the UI language and the help texts.

#include <filesystem>
#include <string>

namespace padscope {

struct GlobalSettings;
struct FrameFields;
class CaptureHost;
class TextTable;

// Inverts the host's logEnabled, sets the frame's logTag ("主线程") and logText
// ("启动日志信息" when now on, " 关闭日志信息" when now off) and writes that line
// to log.log in either case. Returns the new logEnabled. UI thread.
bool ToggleLogging(CaptureHost& host, FrameFields& frame);

enum class Algorithm { kMa = 1, kInte = 2 };

// Sets parameterMode to the algorithm's number. Returns whether the threshold
// list's Auto Balance button is to be shown (INTE) or hidden (MA). UI thread.
bool ChooseAlgorithm(GlobalSettings& settings, Algorithm algorithm);

// The UI locale of a language code: 2 "zh_CN", 3 "zh_TW", anything else
// "en_US". Returns a static string.
const char* UiLocaleName(int languageCode);

// What the help video command `commandId` (32845 real-time, 32847 recording
// mode) opens: the text table's "T_REALTIME_VEDIO" or "T_RECORDING_VEDIO" in
// its current language. Empty when the file gives no address for that
// language (the command is then greyed) and for any other command.
std::string HelpVideoAddress(const TextTable& table, int commandId);

// The instructions document opened from the Help menu.
std::filesystem::path InstructionsDocumentPath();
// Said, with the document's path after it, when it is missing (a build
// without groff) or no program opens it.
inline constexpr const char* kInstructionsMissingText =
    "The instructions document was not found:\n";
inline constexpr const char* kInstructionsNotOpenedText =
    "The instructions document could not be opened:\n";

// Texts of the About box.
inline constexpr const char* kAboutTitle = "About Padscope";
inline constexpr const char* kAboutVersion = "Padscope Version 3.X";
inline constexpr const char* kAboutRights =
    "Copyright (C) Padscope developers. All rights reserved.";
inline constexpr const char* kAboutFirmwareHeading = "PELMIRA固件版本说明：";
inline constexpr const char* kAboutFirmwareNotes[] = {
    "1. Pelmira 固件版本 w2：四线通讯，可升级；",
    "2. Pelmira 固件版本 DW：两线通讯，最新版本；",
    "3. Corvex 固件版本 0100：两线通讯，最新版本。",
};

}  // namespace padscope
