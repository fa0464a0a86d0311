#pragma once

#include <QLineEdit>

#include "commands/DecimalInput.h"

namespace padscope {

// An edit field for a non-negative decimal value whose typed characters pass
// the rules of AcceptDecimalChar: a refused character leaves text and selection
// as they were. Keys that type nothing (arrows, Delete, Home, End) work as in
// any edit field. Paste and drops are turned away, so all input goes through
// the rules. UI thread.
class CDecimalEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CDecimalEdit(DecimalInputRules rules = {}, QWidget* parent = nullptr);

  const DecimalInputRules& rules() const { return rules_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  DecimalInputRules rules_;
};

}  // namespace padscope
