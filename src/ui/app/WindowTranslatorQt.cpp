#include "ui/app/WindowTranslatorQt.h"

#include <algorithm>
#include <string_view>

#include "commands/MiscCommands.h"
#include "support/TextTable.h"

namespace padscope {

namespace {

// The classes whose texts are the window's. A dialog's class is not among
// them: its texts follow the thread language.
constexpr std::string_view kWindowContexts[] = {
    "padscope::CMainFrame", "padscope::CTuningPanel",  "padscope::CCrosstalkMap",
    "padscope::CViewScope", "padscope::CViewKeyScope", "padscope::CViewSetting",
    "padscope::CViewKey",
};

bool IsWindowContext(const char* context) {
  return context != nullptr && std::find(std::begin(kWindowContexts), std::end(kWindowContexts),
                                         std::string_view(context)) != std::end(kWindowContexts);
}

}  // namespace

void WindowTranslator::SetLanguage(int language) {
  texts_.reset();
  // English is what the sources are written in; the other two are loaded.
  if (language == kLanguageSimplifiedChinese || language == kLanguageTraditionalChinese) {
    auto texts = std::make_unique<QTranslator>();
    if (texts->load(QStringLiteral(":/i18n/padscope_") +
                    QString::fromUtf8(UiLocaleName(language)))) {
      texts_ = std::move(texts);
    }
  }
}

QString WindowTranslator::translate(const char* context, const char* sourceText,
                                    const char* disambiguation, int n) const {
  if (!IsWindowContext(context) || sourceText == nullptr) {
    return {};  // not the window's: the next translator decides
  }
  // A text without a translation stays as written rather than falling
  // through to the dialogs' language.
  const QString text =
      texts_ ? texts_->translate(context, sourceText, disambiguation, n) : QString();
  return text.isEmpty() ? QString::fromUtf8(sourceText) : text;
}

}  // namespace padscope
