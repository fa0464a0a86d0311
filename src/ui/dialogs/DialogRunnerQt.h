#pragma once

#include <QDialog>
#include <functional>

namespace padscope {

// Runs a modal dialog and returns its result. The program's runner is
// QDialog::exec; tests install one that fills in and accepts or rejects the
// dialog without blocking.
using DialogRunner = std::function<int(QDialog&)>;
void SetDialogRunner(DialogRunner runner);  // empty: back to exec
int RunDialog(QDialog& dialog);

}  // namespace padscope
