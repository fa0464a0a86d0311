#include "UpdaterRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QProcess>
#include <QThread>
#include <QUrl>
#include <memory>
#include <span>
#include <vector>

#include "platform/FileLock.h"
#include "platform/LockDirectory.h"
#include "platform/OwnFile.h"
#include "support/UpdateCheck.h"
#include "support/UpdateInstall.h"
#include "support/UpdatePackage.h"

namespace padscope::updater {

namespace {

// A package larger than this is refused rather than held in memory.
constexpr qint64 kMaxPackage = static_cast<qint64>(kMaxUpdatePackageBytes);
// How long the program gets to close after starting the updater.
constexpr int kExitWaitMs = 60000;

// False with a reason when the package cannot be had; `tooLarge` tells that
// it was refused for announcing or sending more than the cap.
bool Download(const QUrl& url, QByteArray& body, bool& tooLarge, QString& error,
              const UpdaterReport& report) {
  QNetworkProxyFactory::setUseSystemConfiguration(true);
  QNetworkAccessManager manager;
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Morrowgap"));
  request.setTransferTimeout(30000);
  QNetworkReply* reply = manager.get(request);
  QEventLoop loop;
  tooLarge = false;
  QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
    bool known = false;
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && announced > kMaxPackage) {
      tooLarge = true;
      reply->abort();
    }
  });
  QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
    body += reply->readAll();
    if (body.size() > kMaxPackage) {
      tooLarge = true;
      reply->abort();
    }
  });
  QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 done, qint64 total) {
    if (report.progress) {
      report.progress(done, total);
    }
  });
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  if (!reply->isFinished()) {
    loop.exec();
  }
  if (!tooLarge) {
    body += reply->readAll();
  }
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QNetworkReply::NetworkError code = reply->error();
  const QString reason = reply->errorString();
  reply->deleteLater();
  if (tooLarge) {
    error = QStringLiteral("the package is larger than %1 bytes").arg(kMaxPackage);
    return false;
  }
  if (code != QNetworkReply::NoError) {
    error = reason;
    return false;
  }
  if (status < 200 || status > 299) {
    error = QStringLiteral("HTTP status %1").arg(status);
    return false;
  }
  return true;
}

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

}  // namespace

int RunUpdate(const QString& baseAddress, const QString& programPath,
              const std::optional<UpdatePublicKey>& key, const UpdaterTexts& texts,
              const UpdaterReport& report) {
  const auto fail = [&](const QString& text) {
    report.failure(text);
    return 1;
  };
  // Every refusal of the package reads the same to the user; the reason follows.
  const auto refuse = [&](const QString& reason) {
    return fail(texts.Text("unverified", QString::fromUtf8(kUnverifiedText)) + "\n" + reason);
  };
  QString base = baseAddress;
  if (!base.endsWith('/')) {
    base += '/';
  }
  const QUrl url(base + QString::fromUtf8(kUpdatePackageName));
  const QFileInfo program(programPath);
  if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") ||
      !program.isAbsolute() || !program.dir().exists()) {
    return fail(texts.Text("usage",
                           "The updater is started by Padscope with the update address "
                           "and the program path."));
  }
  if (!key) {
    return refuse(texts.Text("noKey", "This build has no update key."));
  }

  report.status(texts.Text("download", "Downloading %1").arg(url.toString()));
  QByteArray image;
  QString error;
  bool tooLarge = false;
  if (!Download(url, image, tooLarge, error, report)) {
    if (tooLarge) {
      return refuse(error);
    }
    return fail(texts.Text("downloadFailed", "The update could not be downloaded: %1").arg(error));
  }
  UpdatePackage package;
  std::string reason;
  if (!UnpackUpdate(std::span(reinterpret_cast<const uint8_t*>(image.constData()),
                              static_cast<size_t>(image.size())),
                    *key, package, reason)) {
    return refuse(QString::fromStdString(reason));
  }
  image.clear();
  // The installation is addressed by its real path from here on, so that every
  // check below is made on the folder that is written.
  const std::filesystem::path folder = program.canonicalPath().toStdString();
  const auto notNewer = [&] {
    const int32_t installed = ReadInstalledVersion(folder / kAppCheckFile);
    return static_cast<int64_t>(package.version) <= installed;
  };
  if (folder.empty() || notNewer()) {
    return refuse(texts.Text("notNewer", "Version %1 is not newer than the installed one.")
                      .arg(package.version));
  }

  report.status(texts.Text("waiting", "Waiting for Padscope to close"));
  std::unique_ptr<FileLock> guard = WaitForProgramExit();
  if (!guard) {
    return fail(texts.Text("stillRunning",
                           "Padscope is still running. Close it and start the update again."));
  }
  const auto installFailed = [&](const std::string& why) {
    return fail(texts.Text("installFailed", "The update could not be installed. %1")
                    .arg(QString::fromStdString(why)));
  };
  // An install that a crash interrupted is finished or undone before anything
  // else; it may have brought the installation up to this package's version.
  if (RecoverInterruptedInstall(folder, reason) == RecoveryResult::kFailed) {
    return installFailed(reason);
  }
  if (notNewer()) {
    return refuse(texts.Text("notNewer", "Version %1 is not newer than the installed one.")
                      .arg(package.version));
  }
  report.status(
      texts.Text("installing", "Installing into %1").arg(QString::fromStdString(folder.string())));
  if (!InstallUpdate(package.entries, folder, reason, [&](const std::string& step) {
        report.status(QString::fromStdString(step));
      })) {
    return installFailed(reason);
  }

  guard.reset();  // the program takes its guard when it starts
  const QString installedProgram =
      QDir(QString::fromStdString(folder.string())).filePath(program.fileName());
  report.status(texts.Text("starting", "Starting %1").arg(program.fileName()));
  if (!QProcess::startDetached(installedProgram, {}, QString::fromStdString(folder.string()))) {
    return fail(texts.Text("startFailed", "The update is installed, but %1 could not be started.")
                    .arg(program.fileName()));
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
