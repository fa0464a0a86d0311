#pragma once

// The updater's window: a status line, a progress bar and the log of every
// step. Everything it shows is plain text: steps and failures carry texts
// from outside (the server's reason phrase, addresses, file names) that must
// never be taken for markup or links.

#include <QWidget>

#include "UpdaterRun.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;

namespace padscope::updater {

class UpdaterWindow : public QWidget {
 public:
  explicit UpdaterWindow(const QString& title);

  // Reports into the window and to standard error; `interactive` shows each
  // failure in a message box as well.
  UpdaterReport Report(bool interactive);

  QLabel* statusLabel() const { return status_; }

 private:
  QLabel* status_;
  QProgressBar* bar_;
  QPlainTextEdit* log_;
};

}  // namespace padscope::updater
