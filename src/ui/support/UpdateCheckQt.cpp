#include "ui/support/UpdateCheckQt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include "platform/ProgramFolders.h"
#include "support/UpdateKeys.h"
#include "ui/net/BoundedDownloadQt.h"

#ifndef PADSCOPE_DEFAULT_UPDATE_URL
#define PADSCOPE_DEFAULT_UPDATE_URL "http://update.padscope.invalid/AppUpdate/USB/Padscope/Padscope"
#endif
#ifndef PADSCOPE_UPDATE_PUBLIC_KEY
#define PADSCOPE_UPDATE_PUBLIC_KEY ""
#endif

namespace padscope {

namespace {

QString ToQString(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

// The worker's view of the program: the fetcher on the worker's thread, the
// window and the event loop on the UI thread.
class QtUpdateHost : public UpdateHost {
 public:
  QtUpdateHost(QWidget* owner, const UpdateCheckSetup& setup,
               std::shared_ptr<std::atomic<bool>> cancel)
      : owner_(owner), setup_(setup), cancel_(cancel), fetcher_(std::move(cancel)) {}

  bool Cancelled() const override { return cancel_->load(); }

  std::string Fetch(const std::string& address) override { return fetcher_.Fetch(address); }

  bool CheckPackage(const std::string& baseAddress, const UpdateTarget& target,
                    std::string& reason) override {
    const std::optional<UpdatePublicKey> key = PublicKeyFromBuild(PADSCOPE_UPDATE_PUBLIC_KEY);
    const std::optional<UpdatePublicKey> used = setup_.packageKey ? setup_.packageKey : key;
    if (!used) {
      reason = "this build has no update key";
      return false;
    }
    QNetworkAccessManager manager;
    DownloadLimits limits;
    limits.maxBytes = static_cast<qint64>(kMaxUpdatePackageBytes);
    limits.timeout = std::chrono::milliseconds(30000);
    limits.cancel = cancel_;
    const DownloadResult got =
        DownloadBounded(manager, QUrl(QString::fromStdString(PackageAddress(baseAddress))), limits);
    if (got.tooLarge || got.error != QNetworkReply::NoError || got.status < 200 ||
        got.status > 299 || got.cancelled) {
      reason = got.tooLarge ? "the package is larger than " +
                                  std::to_string(kMaxUpdatePackageBytes) + " bytes"
               : got.errorText.isEmpty()
                   ? "the package could not be downloaded (HTTP status " +
                         std::to_string(got.status) + ")"
                   : "the package could not be downloaded: " + got.errorText.toStdString();
      return false;
    }
    UpdatePackage package;
    return UnpackUpdateFor(std::span(reinterpret_cast<const uint8_t*>(got.body.constData()),
                                     static_cast<size_t>(got.body.size())),
                           *used, target, package, reason);
  }

  bool LaunchUpdater(const std::vector<std::string>& arguments) override {
    const std::filesystem::path temp = setup_.tempDirectory.empty()
                                           ? std::filesystem::path(QDir::tempPath().toStdString())
                                           : setup_.tempDirectory;
    const std::optional<std::filesystem::path> updater = WriteUpdaterToPrivateFolder(temp);
    if (!updater) {
      return false;
    }
    QStringList args;
    for (const std::string& a : arguments) {
      args << QString::fromStdString(a);
    }
    const bool started = setup_.launch ? setup_.launch(ToQString(*updater), args)
                                       : QProcess::startDetached(ToQString(*updater), args);
    if (!started) {
      QDir(ToQString(updater->parent_path())).removeRecursively();
    }
    return started;
  }

  void CloseMainWindow() override {
    QWidget* window = owner_.data();
    if (window == nullptr) {
      return;
    }
    QMetaObject::invokeMethod(
        window, [window] { window->close(); },
        QThread::currentThread() == window->thread() ? Qt::DirectConnection
                                                     : Qt::BlockingQueuedConnection);
  }

  void EndProcess(int code) override {
    if (setup_.endProcess) {
      setup_.endProcess(code);
      return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [code] { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
  }

 private:
  QPointer<QWidget> owner_;
  const UpdateCheckSetup& setup_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  WebFetcher fetcher_;
};

bool WriteResourceFile(const QString& resource, const QString& target, bool executable) {
  QFile in(resource);
  if (!in.open(QIODevice::ReadOnly)) {
    return false;
  }
  const QByteArray bytes = in.readAll();
  QFile out(target);
  // NewOnly is an exclusive creation: a name that is taken, by a link or by
  // anything else, fails instead of being followed or replaced.
  const QFileDevice::Permissions mode =
      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
      (executable ? QFileDevice::ExeOwner : QFileDevice::Permissions());
  if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly, mode)) {
    return false;
  }
  const bool written = out.write(bytes) == bytes.size() && out.flush();
  out.close();
  return written && out.error() == QFileDevice::NoError;
}

}  // namespace

WebFetcher::WebFetcher(std::shared_ptr<std::atomic<bool>> cancel)
    : manager_(std::make_unique<QNetworkAccessManager>()), cancel_(std::move(cancel)) {
  QNetworkProxyFactory::setUseSystemConfiguration(true);
}

WebFetcher::~WebFetcher() = default;

std::string WebFetcher::Fetch(const std::string& address) {
  lastResult_ = kFetchError;
  const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
  if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https")) {
    return lastResult_;
  }
  // Bytes beyond the announced length or the cap are never kept; the read
  // stops as soon as the smaller of the two has arrived.
  DownloadLimits limits;
  limits.maxBytes = kMaxBody;
  limits.truncate = true;
  limits.timeout = timeout_;
  limits.cancel = cancel_;
  const DownloadResult got = DownloadBounded(*manager_, url, limits);
  if (got.cancelled || got.status < 200 || got.status > 299) {
    return lastResult_;
  }
  // A connection closed early still delivers what arrived before it.
  if (got.error != QNetworkReply::NoError && got.body.isEmpty()) {
    return lastResult_;
  }
  lastResult_.assign(got.body.constData(), static_cast<size_t>(got.body.size()));
  return lastResult_;
}

bool WriteUpdaterFiles(const std::filesystem::path& folder) {
  const QDir dir(ToQString(folder));
  for (const char* name : {kUpdaterTextsFile, kUpdaterCompanionFile, kUpdaterProgramFile}) {
    const QString file = QString::fromUtf8(name);
    if (!WriteResourceFile(":/updater/" + file, dir.filePath(file),
                           std::string_view(name) == kUpdaterProgramFile)) {
      return false;
    }
  }
  return true;
}

std::optional<std::filesystem::path> WriteUpdaterToPrivateFolder(
    const std::filesystem::path& parent) {
  QTemporaryDir folder(
      QDir(ToQString(parent)).filePath(QString::fromUtf8(kUpdaterFolderPrefix) + "XXXXXX"));
  if (!folder.isValid() || !WriteUpdaterFiles(folder.path().toStdString())) {
    return std::nullopt;  // the folder goes with `folder`
  }
  folder.setAutoRemove(false);  // the updater runs from it and clears it away
  return std::filesystem::path(folder.path().toStdString()) / kUpdaterProgramFile;
}

bool BuildCanInstallUpdates() {
  return PublicKeyFromBuild(PADSCOPE_UPDATE_PUBLIC_KEY).has_value();
}

std::string UpdateBaseAddress() {
  const QByteArray configured = qgetenv("PADSCOPE_UPDATE_URL");
  if (!configured.isEmpty()) {
    return configured.toStdString();
  }
  return PADSCOPE_DEFAULT_UPDATE_URL;
}

UpdateChecker::UpdateChecker(UpdateCheckSetup setup) : setup_(std::move(setup)) {}

UpdateChecker::~UpdateChecker() {
  cancel_->store(true);
  for (auto& worker : workers_) {
    while (!worker->wait(QDeadlineTimer(10))) {
      QCoreApplication::processEvents();
    }
  }
}

void UpdateChecker::CheckForUpdate(QWidget* owner, bool reportResult,
                                   const std::string& baseAddress) {
  Reap();
  const std::filesystem::path resources =
      setup_.resourceDirectory.empty() ? ResourceDirectory() : setup_.resourceDirectory;
  UpdateRequest request;
  request.installedVersion = ReadInstalledVersion(resources / kAppCheckFile);

  QThread::msleep(static_cast<unsigned long>(setup_.pause.count()));

  request.baseAddress = baseAddress;
  request.pageAddress = VersionPageAddress(baseAddress);
  request.reportResult = reportResult;
  request.canInstall = setup_.canInstall.value_or(BuildCanInstallUpdates());
  request.packaged = setup_.packaged.value_or(CurrentProgramFolders().installed);
  request.programPath =
      setup_.programPath.empty()
          ? std::filesystem::path(QCoreApplication::applicationFilePath().toStdString())
          : setup_.programPath;

  QPointer<QWidget> window(owner);
  std::unique_ptr<QThread> worker(QThread::create([this, request, window] {
    QtUpdateHost host(window.data(), setup_, cancel_);
    const UpdateOutcome outcome = RunUpdateWorker(request, host);
    std::lock_guard lock(mutex_);
    outcomes_.push_back(outcome);
  }));
  worker->start();
  workers_.push_back(std::move(worker));
}

bool UpdateChecker::Busy() const {
  for (const auto& worker : workers_) {
    if (!worker->isFinished()) {
      return true;
    }
  }
  return false;
}

std::vector<UpdateOutcome> UpdateChecker::Outcomes() const {
  std::lock_guard lock(mutex_);
  return outcomes_;
}

void UpdateChecker::Reap() {
  std::erase_if(workers_, [](const std::unique_ptr<QThread>& w) { return w->isFinished(); });
}

}  // namespace padscope
