#include "ui/dialogs/DialogRunnerQt.h"

namespace padscope {

namespace {
DialogRunner& Runner() {
  static DialogRunner runner;
  return runner;
}
}  // namespace

void SetDialogRunner(DialogRunner runner) {
  Runner() = std::move(runner);
}

int RunDialog(QDialog& dialog) {
  return Runner() ? Runner()(dialog) : dialog.exec();
}

}  // namespace padscope
