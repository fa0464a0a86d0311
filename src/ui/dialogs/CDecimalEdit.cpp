#include "ui/dialogs/CDecimalEdit.h"

#include <QKeyEvent>

namespace padscope {

CDecimalEdit::CDecimalEdit(DecimalInputRules rules, QWidget* parent)
    : QLineEdit(parent), rules_(rules) {
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setAttribute(Qt::WA_InputMethodEnabled, false);
}

void CDecimalEdit::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    event->accept();
    return;
  }
  char typed = 0;
  if (event->key() == Qt::Key_Backspace) {
    typed = kBackspace;
  } else {
    const QString text = event->text();
    if (text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F) {
      // Keys that type nothing: navigation, Delete, Return and Escape for the
      // dialog, copy and select all.
      QLineEdit::keyPressEvent(event);
      return;
    }
    // Several characters at once, or one outside ASCII, can never be a digit.
    if (text.size() != 1 || text.at(0).unicode() > 0x7F) {
      event->accept();
      return;
    }
    typed = static_cast<char>(text.at(0).unicode());
  }
  DecimalInputState before;
  before.text = this->text().toStdString();
  if (hasSelectedText()) {
    before.selectionStart = selectionStart();
    before.selectionEnd = selectionEnd();
  } else {
    before.selectionStart = before.selectionEnd = cursorPosition();
  }
  DecimalInputState after;
  if (!AcceptDecimalChar(rules_, before, typed, &after)) {
    event->accept();
    return;
  }
  setText(QString::fromStdString(after.text));
  setCursorPosition(after.selectionEnd);
  event->accept();
}

}  // namespace padscope
