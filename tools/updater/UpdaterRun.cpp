#include "UpdaterRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLockFile>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QProcess>
#include <QThread>
#include <QUrl>
#include <span>
#include <vector>

#include "support/UpdatePackage.h"

namespace padscope::updater {

namespace {

// A package larger than this is refused rather than held in memory.
constexpr qint64 kMaxPackage = 512LL * 1024 * 1024;
// How long the program gets to close after starting the updater.
constexpr int kExitWaitMs = 60000;
// The program's single-instance guard in the temporary folder; it is free once
// the program has ended.
constexpr char kInstanceLock[] = "Padscope Standard Tool..lock";

bool Download(const QUrl& url, QByteArray& body, QString& error, const UpdaterReport& report) {
  QNetworkProxyFactory::setUseSystemConfiguration(true);
  QNetworkAccessManager manager;
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Morrowgap"));
  request.setTransferTimeout(30000);
  QNetworkReply* reply = manager.get(request);
  QEventLoop loop;
  bool tooLarge = false;
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
  body += reply->readAll();
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

// Waits until the program's single-instance guard can be taken, then lets it go.
bool WaitForProgramExit() {
  QLockFile lock(QDir::temp().filePath(QString::fromUtf8(kInstanceLock)));
  lock.setStaleLockTime(0);
  const QDeadlineTimer deadline(kExitWaitMs);
  while (!lock.tryLock(100)) {
    if (deadline.hasExpired()) {
      return false;
    }
  }
  lock.unlock();
  return true;
}

}  // namespace

int RunUpdate(const QString& baseAddress, const QString& programPath, const UpdaterTexts& texts,
              const UpdaterReport& report) {
  const auto fail = [&](const QString& text) {
    report.failure(text);
    return 1;
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

  report.status(texts.Text("download", "Downloading %1").arg(url.toString()));
  QByteArray image;
  QString error;
  if (!Download(url, image, error, report)) {
    return fail(texts.Text("downloadFailed", "The update could not be downloaded: %1").arg(error));
  }
  std::vector<PackageEntry> entries;
  std::string reason;
  if (!UnpackUpdate(std::span(reinterpret_cast<const uint8_t*>(image.constData()),
                              static_cast<size_t>(image.size())),
                    entries, reason)) {
    return fail(texts.Text("badPackage", "The update package cannot be used: %1")
                    .arg(QString::fromStdString(reason)));
  }
  image.clear();

  report.status(texts.Text("waiting", "Waiting for Padscope to close"));
  if (!WaitForProgramExit()) {
    return fail(texts.Text("stillRunning",
                           "Padscope is still running. Close it and start the update again."));
  }

  const QString folder = program.absolutePath();
  report.status(texts.Text("installing", "Installing into %1").arg(folder));
  if (!InstallUpdate(entries, folder.toStdString(), reason, [&](const std::string& step) {
        report.status(QString::fromStdString(step));
      })) {
    return fail(texts
                    .Text("installFailed",
                          "The update could not be installed; the installed program is "
                          "unchanged. %1")
                    .arg(QString::fromStdString(reason)));
  }

  report.status(texts.Text("starting", "Starting %1").arg(program.fileName()));
  if (!QProcess::startDetached(program.absoluteFilePath(), {}, folder)) {
    return fail(texts.Text("startFailed", "The update is installed, but %1 could not be started.")
                    .arg(program.fileName()));
  }
  return 0;
}

}  // namespace padscope::updater
