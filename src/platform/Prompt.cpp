#include "platform/Prompt.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace padscope {

namespace {

class SilentPrompt : public Prompt {
 public:
  PromptButton Show(const PromptRequest& request) override {
    return DecliningButton(request.buttons);
  }
};

class SilentFileChooser : public FileChooser {
 public:
  std::optional<std::filesystem::path> Choose(const FileRequest&) override { return std::nullopt; }
};

struct Services {
  std::mutex mutex;
  std::shared_ptr<Prompt> prompt = std::make_shared<SilentPrompt>();
  std::shared_ptr<FileChooser> chooser = std::make_shared<SilentFileChooser>();
};

Services& TheServices() {
  static Services services;
  return services;
}

std::vector<std::string> SplitPatterns(const std::string& list) {
  std::vector<std::string> patterns;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t end = std::min(list.find(';', start), list.size());
    std::string pattern = list.substr(start, end - start);
    const size_t first = pattern.find_first_not_of(' ');
    if (first != std::string::npos) {
      patterns.push_back(pattern.substr(first, pattern.find_last_not_of(' ') - first + 1));
    }
    start = end + 1;
  }
  return patterns;
}

}  // namespace

PromptButton DecliningButton(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::Ok:
      return PromptButton::Ok;
    case PromptButtons::YesNo:
      return PromptButton::No;
    case PromptButtons::OkCancel:
    case PromptButtons::YesNoCancel:
    case PromptButtons::SaveDiscardCancel:
      break;
  }
  return PromptButton::Cancel;
}

void SetPrompt(std::shared_ptr<Prompt> prompt) {
  Services& s = TheServices();
  std::lock_guard lock(s.mutex);
  s.prompt = prompt ? std::move(prompt) : std::make_shared<SilentPrompt>();
}

std::shared_ptr<Prompt> ThePrompt() {
  Services& s = TheServices();
  std::lock_guard lock(s.mutex);
  return s.prompt;
}

void SetFileChooser(std::shared_ptr<FileChooser> chooser) {
  Services& s = TheServices();
  std::lock_guard lock(s.mutex);
  s.chooser = chooser ? std::move(chooser) : std::make_shared<SilentFileChooser>();
}

std::shared_ptr<FileChooser> TheFileChooser() {
  Services& s = TheServices();
  std::lock_guard lock(s.mutex);
  return s.chooser;
}

PromptButton ShowPrompt(const std::string& text, PromptIcon icon, PromptButtons buttons,
                        const std::string& caption) {
  return ThePrompt()->Show(PromptRequest{text, caption, icon, buttons});
}

std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter) {
  // Fields alternate description | patterns; "||" (an empty description) ends the list.
  std::vector<std::string> fields;
  size_t start = 0;
  while (start < filter.size()) {
    const size_t end = std::min(filter.find('|', start), filter.size());
    fields.push_back(filter.substr(start, end - start));
    start = end + 1;
  }
  std::vector<FileFilterEntry> entries;
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    if (fields[i].empty()) {
      break;
    }
    std::vector<std::string> patterns = SplitPatterns(fields[i + 1]);
    if (!patterns.empty()) {
      entries.push_back(FileFilterEntry{fields[i], std::move(patterns)});
    }
  }
  return entries;
}

}  // namespace padscope
