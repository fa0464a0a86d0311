#pragma once

// Prompt and FileChooser that show nothing: they record every request and answer
// from a script. Tests install them; the CLI can use them to answer dialogs
// from its options.

#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/Prompt.h"

namespace padscope {

// Any thread may call every member.
class RecordingPrompt : public Prompt {
 public:
  // Queues the answer to a later request, in order. With the queue empty a
  // request gets DecliningButton; an answer that is not one of the request's
  // buttons is replaced by DecliningButton too, as no real box could give it.
  void Answer(PromptButton button);

  // Records the request and returns the next scripted answer.
  PromptButton Show(const PromptRequest& request) override;

  std::vector<PromptRequest> Requests() const;  // every request so far, oldest first
  std::vector<std::string> Texts() const;       // their texts alone
  void Clear();                                 // forgets requests and queued answers

 private:
  mutable std::mutex mutex_;
  std::deque<PromptButton> answers_;
  std::vector<PromptRequest> requests_;
};

// Any thread may call every member.
class ScriptedFileChooser : public FileChooser {
 public:
  // Queues the answer to a later request: a path, or std::nullopt for Cancel.
  // With the queue empty a request is cancelled.
  void Answer(std::optional<std::filesystem::path> path);

  std::optional<std::filesystem::path> Choose(const FileRequest& request) override;

  std::vector<FileRequest> Requests() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::deque<std::optional<std::filesystem::path>> answers_;
  std::vector<FileRequest> requests_;
};

}  // namespace padscope
