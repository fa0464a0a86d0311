#pragma once

#include <QLineEdit>
#include <cstdint>

namespace padscope {

// A line edit for one unsigned number, decimal or hexadecimal. Typed
// characters other than the digits of the mode (and backspace) are swallowed;
// pasted text is held to the same digits. UI thread.
class CNumberEdit : public QLineEdit {
  Q_OBJECT

 public:
  enum Mode : int32_t { kDecimal = 0, kHexadecimal = 1 };

  explicit CNumberEdit(QWidget* parent = nullptr);

  void SetMode(int32_t mode);
  int32_t Mode() const { return mode_; }

  // The first line of the text (at most 255 characters) as an unsigned number
  // in the mode's base; reading stops at the first character that is not a
  // digit, and text without digits reads as 0.
  uint32_t Value() const;

  // Shows `value` with "%d" (decimal mode) or "%x" (hexadecimal mode).
  void SetValue(int32_t value);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool Accepts(QChar c) const;

  int32_t mode_ = kDecimal;
};

}  // namespace padscope
