#include "ui/dialogs/CNumberEdit.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace padscope {

namespace {
constexpr int kMaxReadCharacters = 255;
}

CNumberEdit::CNumberEdit(QWidget* parent) : QLineEdit(parent) {
  SetMode(kDecimal);
}

void CNumberEdit::SetMode(int32_t mode) {
  mode_ = mode == kHexadecimal ? kHexadecimal : kDecimal;
  // The key filter stops typing; the validator also stops paste and drop.
  const QString pattern =
      mode_ == kHexadecimal ? QStringLiteral("[0-9a-fA-F]*") : QStringLiteral("[0-9]*");
  setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
}

bool CNumberEdit::Accepts(QChar c) const {
  const char16_t u = c.unicode();
  if ((u >= '0' && u <= '9') || u == '\b') {
    return true;
  }
  return mode_ == kHexadecimal && ((u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F'));
}

void CNumberEdit::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  // Keys without a printable character (arrows, delete, shortcuts) behave as
  // in any edit; a printable character must be a digit of the mode.
  if (text.size() == 1 && text[0].isPrint() && !Accepts(text[0])) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

uint32_t CNumberEdit::Value() const {
  const std::string first =
      text().section(QLatin1Char('\n'), 0, 0).left(kMaxReadCharacters).toStdString();
  const unsigned long v = std::strtoul(first.c_str(), nullptr, mode_ == kHexadecimal ? 16 : 10);
  return static_cast<uint32_t>(v);
}

void CNumberEdit::SetValue(int32_t value) {
  char text[16];
  if (mode_ == kHexadecimal) {
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
  } else {
    std::snprintf(text, sizeof text, "%d", value);
  }
  setText(QString::fromLatin1(text));
}

}  // namespace padscope
