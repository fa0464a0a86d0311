// The updater that Padscope writes to the temporary folder and starts with two
// arguments: the update source and the full path of the program to update.
// With PADSCOPE_NONINTERACTIVE set it shows no message boxes and reports to
// standard error instead (scripts, tests).
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

#include "UpdaterRun.h"
#include "UpdaterTexts.h"

using namespace padscope::updater;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool interactive = !qEnvironmentVariableIsSet("PADSCOPE_NONINTERACTIVE");
  UpdaterTexts texts;
  texts.Load(QDir(QCoreApplication::applicationDirPath()).filePath("QBUpdaterUI.xml"),
             LanguageOfSystem());

  QWidget window;
  window.setWindowTitle(texts.Text("title", "Padscope Update"));
  auto* layout = new QVBoxLayout(&window);
  auto* status = new QLabel(&window);
  auto* bar = new QProgressBar(&window);
  auto* log = new QPlainTextEdit(&window);
  log->setReadOnly(true);
  layout->addWidget(status);
  layout->addWidget(bar);
  layout->addWidget(log);
  window.resize(520, 300);
  window.show();

  UpdaterReport report;
  report.status = [&](const QString& line) {
    status->setText(line);
    log->appendPlainText(line);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    QCoreApplication::processEvents();
  };
  report.progress = [&](qint64 done, qint64 total) {
    bar->setRange(0, total > 0 ? 1000 : 0);
    if (total > 0) {
      bar->setValue(static_cast<int>(done * 1000 / total));
    }
  };
  report.failure = [&](const QString& text) {
    log->appendPlainText(text);
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    if (interactive) {
      QMessageBox::critical(&window, window.windowTitle(), text);
    }
  };

  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 3) {
    report.failure(texts.Text("usage",
                              "The updater is started by Padscope with the update "
                              "address and the program path."));
    return 2;
  }
  return RunUpdate(args[1], args[2], texts, report);
}
