#include "support/UpdateCheck.h"

#include <fstream>
#include <limits>

#include "platform/Prompt.h"
#include "support/TextTable.h"

namespace padscope {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

int32_t ParseVersionValue(std::string_view text, std::string_view key) {
  const size_t at = text.find(key);
  if (at == std::string_view::npos) {
    return 0;
  }
  size_t i = text.find('=', at);
  if (i == std::string_view::npos) {
    return 0;
  }
  while (i < text.size() && !IsDigit(text[i])) {
    ++i;
  }
  // Saturate instead of overflowing: a page can hold any number of digits.
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kMax) {
      value = kMax;
    }
  }
  return static_cast<int32_t>(value);
}

int32_t ReadInstalledVersion(const std::filesystem::path& appCheck) {
  std::ifstream in(appCheck, std::ios::binary);
  if (!in) {
    return 0;
  }
  std::string line;
  std::getline(in, line);
  return ParseVersionValue(line, "Current Version");
}

std::string VersionPageAddress(const std::string& baseAddress) {
  if (!baseAddress.empty() && baseAddress.back() == '/') {
    return baseAddress + kVersionPageName;
  }
  return baseAddress + "/" + kVersionPageName;
}

UpdateOutcome RunUpdateWorker(const UpdateRequest& request, UpdateHost& host) {
  const TextTable& texts = TextTable::Instance();
  const std::string page = host.Fetch(request.pageAddress);
  const int32_t published = ParseVersionValue(page, "ApplicationVersion");
  const int32_t forced = ParseVersionValue(page, "ForceUpdate");
  if (host.Cancelled()) {
    return UpdateOutcome::kCancelled;
  }

  if (published != 0 && published > request.installedVersion) {
    if (request.packaged || !request.canInstall) {
      // Not even a forced update closes the program: it has no way to update.
      ShowPrompt(texts.Text(request.packaged ? "T_UPDATEPACKAGE" : "T_UPDATEMANUAL"),
                 PromptIcon::Information, PromptButtons::Ok, texts.Text("T_UPDATETITLE"));
      return UpdateOutcome::kAnnounced;
    }
    const PromptButton answer = ShowPrompt(texts.Text("T_UPDATETEXT"), PromptIcon::Question,
                                           PromptButtons::YesNo, texts.Text("T_UPDATETITLE"));
    if (answer == PromptButton::Yes) {
      const std::vector<std::string> arguments{request.baseAddress, request.programPath.string()};
      if (!host.LaunchUpdater(arguments)) {
        // Ending the program without an updater would leave the user with neither.
        ShowPrompt(texts.Text("T_FILEERROR"), PromptIcon::Error, PromptButtons::Ok,
                   texts.Text("T_UPDATETITLE"));
        return UpdateOutcome::kLaunchFailed;
      }
      // The window closes first so capture stops and the settings are saved
      // before the updater replaces the program.
      host.CloseMainWindow();
      host.EndProcess(0);
      return UpdateOutcome::kLaunched;
    }
    if (forced != 0) {
      host.CloseMainWindow();
      host.EndProcess(0);
      return UpdateOutcome::kForcedClose;
    }
    return UpdateOutcome::kDeclined;
  }

  if (request.reportResult) {
    if (published != 0) {
      ShowPrompt(texts.Text("T_NONEWVERSION"), PromptIcon::Warning, PromptButtons::Ok,
                 texts.Text("T_UPDATETITLE"));
    } else {
      ShowPrompt(texts.Text("T_CHECKERROR"), PromptIcon::Error, PromptButtons::Ok,
                 texts.Text("T_UPDATETITLE"));
    }
  }
  return published != 0 ? UpdateOutcome::kNothingNew : UpdateOutcome::kCheckFailed;
}

}  // namespace padscope
