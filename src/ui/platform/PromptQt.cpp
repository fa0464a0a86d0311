#include "ui/platform/PromptQt.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QThread>

namespace padscope {

namespace {

// Runs fn on the UI thread and waits for it.
template <typename Fn>
void OnUiThread(Fn fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

QMessageBox::Icon IconOf(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Information:
      return QMessageBox::Information;
    case PromptIcon::Warning:
      return QMessageBox::Warning;
    case PromptIcon::Error:
      return QMessageBox::Critical;
    case PromptIcon::Question:
      return QMessageBox::Question;
    case PromptIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::SaveDiscardCancel:
      return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    case PromptButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

QString QtFilter(const std::string& classic) {
  QStringList parts;
  for (const FileFilterEntry& e : ParseFileFilter(classic)) {
    QStringList patterns;
    for (const std::string& p : e.patterns) {
      patterns << QString::fromStdString(p);
    }
    QString description = QString::fromStdString(e.description);
    if (!description.contains('(')) {
      description += " (" + patterns.join(' ') + ")";
    }
    parts << description;
  }
  return parts.join(";;");
}

}  // namespace

PromptButton QtPrompt::Show(const PromptRequest& request) {
  PromptButton answer = DecliningButton(request.buttons);
  OnUiThread([&] {
    QMessageBox box(IconOf(request.icon),
                    request.caption.empty() ? QApplication::applicationDisplayName()
                                            : QString::fromStdString(request.caption),
                    QString::fromStdString(request.text), ButtonsOf(request.buttons),
                    QApplication::activeWindow());
    // Texts from outside (reasons from the network, file names, adapter
    // replies) are shown as written, never as markup or links.
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
      case QMessageBox::Ok:
        answer = PromptButton::Ok;
        break;
      case QMessageBox::Yes:
        answer = PromptButton::Yes;
        break;
      case QMessageBox::No:
        answer = PromptButton::No;
        break;
      case QMessageBox::Cancel:
        answer = PromptButton::Cancel;
        break;
      case QMessageBox::Save:
        answer = PromptButton::Save;
        break;
      case QMessageBox::Discard:
        answer = PromptButton::Discard;
        break;
      default:
        break;
    }
  });
  return answer;
}

std::optional<std::filesystem::path> QtFileChooser::Choose(const FileRequest& request) {
  std::optional<std::filesystem::path> chosen;
  OnUiThread([&] {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title));
    dialog.setNameFilter(QtFilter(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (request.kind == FileDialogKind::Save) {
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    } else {
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!request.proposedName.empty()) {
      dialog.selectFile(QString::fromStdString(request.proposedName));
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
      chosen = std::filesystem::path(dialog.selectedFiles().first().toStdString());
    }
  });
  return chosen;
}

}  // namespace padscope
