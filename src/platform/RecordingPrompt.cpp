#include "platform/RecordingPrompt.h"

#include <utility>

namespace padscope {

namespace {

bool Offers(PromptButtons buttons, PromptButton button) {
  switch (buttons) {
    case PromptButtons::Ok:
      return button == PromptButton::Ok;
    case PromptButtons::OkCancel:
      return button == PromptButton::Ok || button == PromptButton::Cancel;
    case PromptButtons::YesNo:
      return button == PromptButton::Yes || button == PromptButton::No;
    case PromptButtons::YesNoCancel:
      return button == PromptButton::Yes || button == PromptButton::No ||
             button == PromptButton::Cancel;
    case PromptButtons::SaveDiscardCancel:
      return button == PromptButton::Save || button == PromptButton::Discard ||
             button == PromptButton::Cancel;
  }
  return false;
}

}  // namespace

void RecordingPrompt::Answer(PromptButton button) {
  std::lock_guard lock(mutex_);
  answers_.push_back(button);
}

PromptButton RecordingPrompt::Show(const PromptRequest& request) {
  std::lock_guard lock(mutex_);
  requests_.push_back(request);
  if (answers_.empty()) {
    return DecliningButton(request.buttons);
  }
  const PromptButton answer = answers_.front();
  answers_.pop_front();
  return Offers(request.buttons, answer) ? answer : DecliningButton(request.buttons);
}

std::vector<PromptRequest> RecordingPrompt::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::string> RecordingPrompt::Texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> texts;
  texts.reserve(requests_.size());
  for (const PromptRequest& r : requests_) {
    texts.push_back(r.text);
  }
  return texts;
}

void RecordingPrompt::Clear() {
  std::lock_guard lock(mutex_);
  answers_.clear();
  requests_.clear();
}

void ScriptedFileChooser::Answer(std::optional<std::filesystem::path> path) {
  std::lock_guard lock(mutex_);
  answers_.push_back(std::move(path));
}

std::optional<std::filesystem::path> ScriptedFileChooser::Choose(const FileRequest& request) {
  std::lock_guard lock(mutex_);
  requests_.push_back(request);
  if (answers_.empty()) {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

std::vector<FileRequest> ScriptedFileChooser::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void ScriptedFileChooser::Clear() {
  std::lock_guard lock(mutex_);
  answers_.clear();
  requests_.clear();
}

}  // namespace padscope
