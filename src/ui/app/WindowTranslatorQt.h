#pragma once

#include <QTranslator>
#include <memory>

namespace padscope {

// The translator of the window's own texts: the Tuning menu, the Tuning
// dock, the measurement cursors' prompts, the views' tips and labels and the
// frame's messages. They follow the text table's language (the one the
// window's menus are built in and the language command steps), not the
// thread language, which start-up sets to Simplified Chinese whatever the
// system speaks and which the dialogs follow. Installed in front of the
// dialogs' translator, it answers only for the window's classes and lets
// every other text through to it. UI thread: the language changes only
// while the translator is not installed.
class WindowTranslator : public QTranslator {
  Q_OBJECT

 public:
  // Loads the texts of `language` (1 English, the texts as written; 2
  // Simplified, 3 Traditional Chinese).
  void SetLanguage(int language);

  QString translate(const char* context, const char* sourceText,
                    const char* disambiguation = nullptr, int n = -1) const override;
  // Never empty, so installing it always announces a language change.
  bool isEmpty() const override { return false; }

 private:
  std::unique_ptr<QTranslator> texts_;  // none for English
};

}  // namespace padscope
