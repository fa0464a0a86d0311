#pragma once

// Message boxes and file dialogs. Every module asks through the current Prompt
// and FileChooser instead of opening a dialog itself, so that the core stays free
// of Qt, the GUI can install real dialogs and tests can script the answers.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace padscope {

enum class PromptIcon { None, Information, Warning, Error, Question };

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, SaveDiscardCancel };

// The button the user pressed. Closing a box without pressing a button counts as
// its declining button (see DecliningButton).
enum class PromptButton { Ok, Cancel, Yes, No, Save, Discard };

struct PromptRequest {
  std::string text;     // shown as given (UTF-8); never interpreted as a format
  std::string caption;  // empty: the application's default caption
  PromptIcon icon = PromptIcon::None;
  PromptButtons buttons = PromptButtons::Ok;
};

// The answer that does nothing: OK for a plain message, otherwise Cancel or No.
// A prompt nobody can see answers this, so an unattended run never agrees to an
// overwrite, an erase or an update by accident.
PromptButton DecliningButton(PromptButtons buttons);

// Shows one modal message box and returns the button pressed (always one of the
// request's buttons). Implementations say which threads may call them; the GUI's
// one may be called from any thread and blocks the caller until it is answered.
class Prompt {
 public:
  virtual ~Prompt() = default;
  virtual PromptButton Show(const PromptRequest& request) = 0;
};

enum class FileDialogKind { Open, Save };

struct FileRequest {
  FileDialogKind kind = FileDialogKind::Open;
  // Classic filter text: "Desc (*.ext)|*.ext|All Files (*.*)|*.*||".
  std::string filter;
  std::string defaultExtension;  // without the dot; appended when the chosen name has none
  std::string proposedName;      // file name (or path) the dialog starts with
  bool overwritePrompt = false;  // Save: ask before replacing an existing file
  std::string title;             // empty: the dialog's default title
};

// Shows one file dialog and returns the chosen path, or nothing when cancelled.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  virtual std::optional<std::filesystem::path> Choose(const FileRequest& request) = 0;
};

// The current services. Both start as silent ones (nothing shown, nothing
// recorded; Prompt answers DecliningButton, FileChooser cancels). Setting nullptr
// restores the silent one. Any thread may call these; a caller keeps the service
// it got alive for as long as it holds the pointer, even if it is replaced meanwhile.
void SetPrompt(std::shared_ptr<Prompt> prompt);
std::shared_ptr<Prompt> ThePrompt();
void SetFileChooser(std::shared_ptr<FileChooser> chooser);
std::shared_ptr<FileChooser> TheFileChooser();

// Shorthand for ThePrompt()->Show({text, caption, icon, buttons}).
PromptButton ShowPrompt(const std::string& text, PromptIcon icon = PromptIcon::None,
                        PromptButtons buttons = PromptButtons::Ok,
                        const std::string& caption = std::string());

// One entry of a classic filter text: "Chart (*.tkchart)" and its patterns
// {"*.tkchart"} (a "*.a;*.b" pattern list gives two patterns).
struct FileFilterEntry {
  std::string description;
  std::vector<std::string> patterns;
};

// Splits a classic filter text into its entries. A trailing description without
// patterns is dropped; empty input gives no entries.
std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter);

}  // namespace padscope
