#include "commands/MiscCommands.h"

#include "capture/CaptureHost.h"
#include "capture/WriteLog.h"
#include "commands/CommandIds.h"
#include "platform/ProgramFolders.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "support/TextTable.h"

namespace padscope {

bool ToggleLogging(CaptureHost& host, FrameFields& frame) {
  const bool on = !host.logEnabled.load();
  host.logEnabled = on;
  frame.logTag = "主线程";
  frame.logText = on ? "启动日志信息" : " 关闭日志信息";
  // Written either way, so that the log file shows where logging stopped.
  WriteLog(frame.logTag, "%s", frame.logText.c_str());
  return on;
}

bool ChooseAlgorithm(GlobalSettings& settings, Algorithm algorithm) {
  settings.parameterMode = static_cast<int>(algorithm);
  return algorithm == Algorithm::kInte;
}

const char* UiLocaleName(int languageCode) {
  switch (languageCode) {
    case 2:
      return "zh_CN";
    case 3:
      return "zh_TW";
    default:
      return "en_US";
  }
}

std::string HelpVideoAddress(const TextTable& table, int commandId) {
  const char* id = commandId == kCmdRealTimeVideo    ? "T_REALTIME_VEDIO"
                   : commandId == kCmdRecordingVideo ? "T_RECORDING_VEDIO"
                                                     : nullptr;
  if (id == nullptr) {
    return {};
  }
  // A missing entry reads as its id: no address either.
  std::string text = table.Text(id);
  return text == id ? std::string() : text;
}

std::filesystem::path InstructionsDocumentPath() {
  return ResourceDirectory() / "PELMIRA_Instructions.pdf";
}

}  // namespace padscope
