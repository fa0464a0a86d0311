#include "UpdaterWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QVBoxLayout>
#include <cstdio>

namespace padscope::updater {

UpdaterWindow::UpdaterWindow(const QString& title)
    : status_(new QLabel(this)), bar_(new QProgressBar(this)), log_(new QPlainTextEdit(this)) {
  setWindowTitle(title);
  status_->setTextFormat(Qt::PlainText);
  log_->setReadOnly(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(bar_);
  layout->addWidget(log_);
  resize(520, 300);
}

UpdaterReport UpdaterWindow::Report(bool interactive) {
  UpdaterReport report;
  report.status = [this](const QString& line) {
    status_->setText(line);
    log_->appendPlainText(line);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    QCoreApplication::processEvents();
  };
  report.progress = [this](qint64 done, qint64 total) {
    bar_->setRange(0, total > 0 ? 1000 : 0);
    if (total > 0) {
      bar_->setValue(static_cast<int>(done * 1000 / total));
    }
  };
  report.failure = [this, interactive](const QString& text) {
    log_->appendPlainText(text);
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    if (interactive) {
      QMessageBox box(QMessageBox::Critical, windowTitle(), text, QMessageBox::Ok, this);
      box.setTextFormat(Qt::PlainText);
      box.exec();
    }
  };
  return report;
}

}  // namespace padscope::updater
