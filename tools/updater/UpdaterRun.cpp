#include "UpdaterRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QProcess>
#include <QUrl>
#include <filesystem>
#include <memory>
#include <span>

#include "platform/FileLock.h"
#include "platform/LockDirectory.h"
#include "platform/OwnFile.h"
#include "support/UpdateCheck.h"
#include "support/UpdateInstall.h"
#include "support/UpdatePackage.h"
#include "ui/net/BoundedDownloadQt.h"

namespace padscope::updater {

namespace {

// How long the program gets to close after starting the updater.
constexpr int kExitWaitMs = 60000;

// Waits until the program's single-instance guard can be taken and keeps it,
// so that the program cannot start while its files are being replaced. None
// when the program is still running after the wait or the guard is unusable.
std::unique_ptr<FileLock> WaitForProgramExit() {
  const QDeadlineTimer deadline(kExitWaitMs);
  for (;;) {
    auto guard = std::make_unique<FileLock>(LockDirectory() / kInstanceLockName,
                                            std::chrono::milliseconds(100));
    if (guard->Held()) {
      return guard;
    }
    if (guard->state() == FileLock::State::kUnavailable || deadline.hasExpired()) {
      return nullptr;
    }
  }
}

// One run's state: the program it works for and the guard once it holds it.
class UpdateRun {
 public:
  UpdateRun(const QFileInfo& program, const UpdaterTexts& texts, const UpdaterReport& report)
      : program_(program), texts_(texts), report_(report) {}

  // Reports the failure and, unless the program still runs, starts it again:
  // it ended to be updated. Returns the exit code.
  int Fail(const QString& text) {
    report_.failure(text);
    if (!guard_) {
      guard_ = WaitForProgramExit();
    }
    if (guard_) {
      guard_.reset();  // the program takes its guard when it starts
      StartProgram();
    }
    return 1;
  }
  // Every refusal of the package reads the same to the user; the reason follows.
  int Refuse(const QString& reason) {
    return Fail(texts_.Text("unverified", QString::fromUtf8(kUnverifiedText)) + "\n" + reason);
  }

  bool WaitForExit() {
    guard_ = WaitForProgramExit();
    return guard_ != nullptr;
  }
  void LetGo() { guard_.reset(); }

  // Addresses the installation by its real path from here on, so that every
  // check is made on the folder that is written.
  void UseRealFolder() { folder_ = program_.canonicalPath().toStdString(); }
  const std::filesystem::path& folder() const { return folder_; }

  UpdateTarget Target() const {
    const std::filesystem::path where =
        folder_.empty() ? std::filesystem::path(program_.absolutePath().toStdString()) : folder_;
    return {ReadInstalledVersion(where / kAppCheckFile), program_.fileName().toStdString()};
  }

  bool StartProgram() const {
    const QString dir =
        folder_.empty() ? program_.absolutePath() : QString::fromStdString(folder_.string());
    return QProcess::startDetached(QDir(dir).filePath(program_.fileName()), {}, dir);
  }

 private:
  QFileInfo program_;
  const UpdaterTexts& texts_;
  const UpdaterReport& report_;
  std::filesystem::path folder_;
  std::unique_ptr<FileLock> guard_;
};

}  // namespace

int RunUpdate(const QString& baseAddress, const QString& programPath,
              const std::optional<UpdatePublicKey>& key, const UpdaterTexts& texts,
              const UpdaterReport& report, qint64 maxPackageBytes) {
  const QUrl url(QString::fromStdString(PackageAddress(baseAddress.toStdString())));
  const QFileInfo program(programPath);
  if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") ||
      !program.isAbsolute() || !program.dir().exists()) {
    report.failure(texts.Text("usage",
                              "The updater is started by Padscope with the update address "
                              "and the program path."));
    return 1;
  }
  UpdateRun run(program, texts, report);
  if (!key) {
    return run.Refuse(texts.Text("noKey", "This build has no update key."));
  }

  report.status(texts.Text("download", "Downloading %1").arg(url.toString()));
  QNetworkProxyFactory::setUseSystemConfiguration(true);
  QNetworkAccessManager manager;
  DownloadLimits limits;
  limits.maxBytes = maxPackageBytes;
  limits.timeout = std::chrono::milliseconds(30000);
  limits.progress = report.progress;
  DownloadResult got = DownloadBounded(manager, url, limits);
  if (got.tooLarge) {
    return run.Refuse(QStringLiteral("the package is larger than %1 bytes").arg(maxPackageBytes));
  }
  if (got.error != QNetworkReply::NoError || got.status < 200 || got.status > 299) {
    const QString why =
        got.errorText.isEmpty() ? QStringLiteral("HTTP status %1").arg(got.status) : got.errorText;
    return run.Fail(
        texts.Text("downloadFailed", "The update could not be downloaded: %1").arg(why));
  }
  run.UseRealFolder();
  UpdatePackage package;
  std::string reason = "the program's folder cannot be resolved";
  const bool fits =
      !run.folder().empty() &&
      UnpackUpdateFor(std::span(reinterpret_cast<const uint8_t*>(got.body.constData()),
                                static_cast<size_t>(got.body.size())),
                      *key, run.Target(), package, reason);
  got.body = QByteArray();
  if (!fits) {
    return run.Refuse(QString::fromStdString(reason));
  }

  report.status(texts.Text("waiting", "Waiting for Padscope to close"));
  if (!run.WaitForExit()) {
    report.failure(texts.Text("stillRunning",
                              "Padscope is still running. Close it and start the update again."));
    return 1;
  }
  const auto installFailed = [&](const std::string& why) {
    return run.Fail(texts.Text("installFailed", "The update could not be installed. %1")
                        .arg(QString::fromStdString(why)));
  };
  // An install that a crash interrupted is finished or undone before anything
  // else; it may have brought the installation up to this package's version.
  if (RecoverInterruptedInstall(run.folder(), reason) == RecoveryResult::kFailed) {
    return installFailed(reason);
  }
  if (!FitsUpdateTarget(package, run.Target(), reason)) {
    return run.Refuse(QString::fromStdString(reason));
  }
  report.status(texts.Text("installing", "Installing into %1")
                    .arg(QString::fromStdString(run.folder().string())));
  if (!InstallUpdate(package.entries, run.folder(), reason, [&](const std::string& step) {
        report.status(QString::fromStdString(step));
      })) {
    return installFailed(reason);
  }

  run.LetGo();  // the program takes its guard when it starts
  report.status(texts.Text("starting", "Starting %1").arg(program.fileName()));
  if (!run.StartProgram()) {
    report.failure(
        texts.Text("startFailed", "The update is installed, but %1 could not be started.")
            .arg(program.fileName()));
    return 1;
  }
  return 0;
}

void RemoveUpdaterFolder(const QString& folder) {
  if (!QFileInfo(folder).fileName().startsWith(QString::fromUtf8(kUpdaterFolderPrefix)) ||
      !IsPrivateFolder(folder.toStdString())) {
    return;
  }
  const QDir dir(folder);
  for (const char* name : {kUpdaterTextsFile, kUpdaterCompanionFile, kUpdaterProgramFile}) {
    QFile::remove(dir.filePath(QString::fromUtf8(name)));
  }
  QDir().rmdir(folder);  // only when nothing else is in it
}

}  // namespace padscope::updater
