#include "support/UpdateCheck.h"

#include <limits>

#include "platform/FileBytes.h"
#include "platform/Prompt.h"
#include "support/TextTable.h"

namespace padscope {

namespace {

// Enough for the lines of any appCheck; the version is on the first.
constexpr size_t kAppCheckReadBytes = 4096;

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

std::optional<int32_t> ReadInstalledVersion(const std::filesystem::path& appCheck) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(appCheck, kAppCheckReadBytes, bytes)) {
    return std::nullopt;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const int32_t version = ParseVersionValue(text.substr(0, text.find('\n')), "Current Version");
  return version > 0 ? std::optional<int32_t>(version) : std::nullopt;
}

std::string VersionPageAddress(const std::string& baseAddress) {
  if (!baseAddress.empty() && baseAddress.back() == '/') {
    return baseAddress + kVersionPageName;
  }
  return baseAddress + "/" + kVersionPageName;
}

std::string PackageAddress(const std::string& baseAddress) {
  const bool slash = !baseAddress.empty() && baseAddress.back() == '/';
  return baseAddress + (slash ? "" : "/") + kUpdatePackageName;
}

UpdateOutcome RunUpdateWorker(const UpdateRequest& request, UpdateHost& host) {
  const TextTable& texts = TextTable::Instance();
  const std::string page = host.Fetch(request.pageAddress);
  const int32_t published = ParseVersionValue(page, "ApplicationVersion");
  const int32_t forced = ParseVersionValue(page, "ForceUpdate");
  if (host.Cancelled()) {
    return UpdateOutcome::kCancelled;
  }
  if (!request.installedVersion) {
    // Nothing to compare with: no version is newer, none may be installed.
    if (request.reportResult) {
      ShowPrompt(texts.Text("T_NOVERSION"), PromptIcon::Error, PromptButtons::Ok,
                 texts.Text("T_UPDATETITLE"));
    }
    return UpdateOutcome::kCheckFailed;
  }

  if (published != 0 && published > *request.installedVersion) {
    if (request.packaged || !request.canInstall) {
      // Not even a forced update closes the program: it has no way to update.
      ShowPrompt(texts.Text(request.packaged ? "T_UPDATEPACKAGE" : "T_UPDATEMANUAL"),
                 PromptIcon::Information, PromptButtons::Ok, texts.Text("T_UPDATETITLE"));
      return UpdateOutcome::kAnnounced;
    }
    const PromptButton answer = ShowPrompt(texts.Text("T_UPDATETEXT"), PromptIcon::Question,
                                           PromptButtons::YesNo, texts.Text("T_UPDATETITLE"));
    if (answer != PromptButton::Yes && forced == 0) {
      return UpdateOutcome::kDeclined;
    }
    std::string reason;
    const UpdateTarget target{request.installedVersion, request.programPath.filename().string()};
    if (!host.CheckPackage(request.baseAddress, target, reason)) {
      if (host.Cancelled()) {
        return UpdateOutcome::kCancelled;
      }
      ShowPrompt(texts.Text("T_UPDATEREFUSED") + "\n" + reason, PromptIcon::Error,
                 PromptButtons::Ok, texts.Text("T_UPDATETITLE"));
      return UpdateOutcome::kPackageRefused;
    }
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
    // Declined, but forced: a page anyone on the way can write asked for it,
    // and a package that fits shows the project did.
    host.CloseMainWindow();
    host.EndProcess(0);
    return UpdateOutcome::kForcedClose;
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
