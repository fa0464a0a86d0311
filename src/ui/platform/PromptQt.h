#pragma once

#include "platform/Prompt.h"

class QWidget;

namespace padscope {

// Message boxes as Qt dialogs. Any thread may call Show: off the UI thread
// it waits until the UI thread has shown the box and it was answered.
class QtPrompt : public Prompt {
 public:
  PromptButton Show(const PromptRequest& request) override;
};

// File dialogs as Qt dialogs, with the classic filter text turned into Qt's
// and the default extension appended to a name typed without one.
class QtFileChooser : public FileChooser {
 public:
  std::optional<std::filesystem::path> Choose(const FileRequest& request) override;
};

}  // namespace padscope
