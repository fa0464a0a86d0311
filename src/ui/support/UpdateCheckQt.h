#pragma once

// The update check's Qt half: the HTTP fetcher, the updater files written from
// the program's resources, and the checker that runs one worker per check.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/UpdateCheck.h"
#include "support/UpdateKeys.h"

class QNetworkAccessManager;
class QThread;
class QWidget;

namespace padscope {

// Fetches documents with Qt Network: user agent "Morrowgap", the system's proxy
// settings. Fetch runs a local event loop, so any thread with no event loop of
// its own may use a fetcher; one fetcher belongs to one thread.
class WebFetcher {
 public:
  // The most body bytes kept, whatever the server announces or sends.
  static constexpr qsizetype kMaxBody = 1 << 20;

  // `cancel`, when given and set from another thread, ends a running fetch as a
  // failure within about 50 ms.
  explicit WebFetcher(std::shared_ptr<std::atomic<bool>> cancel = nullptr);
  ~WebFetcher();

  // The body of the document at the address (http or https), or kFetchError
  // when it cannot be fetched or the server answers with an error status. The
  // body is read until its announced length, the end of the response or
  // kMaxBody bytes, whichever comes first, and is as long as what arrived.
  std::string Fetch(const std::string& address);
  const std::string& LastResult() const { return lastResult_; }

  // A transfer that makes no progress for this long fails (default 20 s).
  void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

 private:
  std::unique_ptr<QNetworkAccessManager> manager_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  std::string lastResult_;
  std::chrono::milliseconds timeout_{20000};
};

// Writes the three updater files from the resources into `folder`, in the
// order of their names above, each as a new file (nothing that already sits
// under a name is opened, followed or replaced); the program file is made
// executable. Stops at the first failure.
bool WriteUpdaterFiles(const std::filesystem::path& folder);

// Writes the updater files into a fresh folder below `parent` that only this
// user can enter (created with a random name, 0700) and returns the updater
// program's path there; none, with nothing left behind, when it cannot.
std::optional<std::filesystem::path> WriteUpdaterToPrivateFolder(
    const std::filesystem::path& parent);

// True when the program was built with a key to check update packages with.
bool BuildCanInstallUpdates();

// The update source: PADSCOPE_UPDATE_URL when set and not empty, else the
// address the program was built with.
std::string UpdateBaseAddress();

// What a checker uses from its surroundings; tests replace parts of it.
struct UpdateCheckSetup {
  std::filesystem::path resourceDirectory;    // empty: ResourceDirectory() at each check
  std::filesystem::path tempDirectory;        // empty: the system's temporary folder
  std::optional<bool> canInstall;             // empty: BuildCanInstallUpdates()
  std::optional<bool> packaged;               // empty: whether the program is installed
  std::filesystem::path programPath;          // empty: the running executable
  std::optional<UpdatePublicKey> packageKey;  // empty: the build's key checks the package
  std::chrono::milliseconds pause{1000};      // before the worker starts
  // Ends the program; empty: leave the event loop with the code.
  std::function<void(int)> endProcess;
  // Starts the updater detached; empty: QProcess::startDetached.
  std::function<bool(const QString& program, const QStringList& arguments)> launch;
};

// Runs update checks. UI thread only.
class UpdateChecker {
 public:
  explicit UpdateChecker(UpdateCheckSetup setup = {});
  // Cancels running fetches and waits for the workers, handling events meanwhile
  // (a worker may be waiting for a message box).
  ~UpdateChecker();
  UpdateChecker(const UpdateChecker&) = delete;
  UpdateChecker& operator=(const UpdateChecker&) = delete;

  // Reads the installed version, pauses and starts a worker for the check;
  // returns once the worker runs. `owner` is the main window (its message
  // boxes' owner, closed by a declined forced update). The updater files are
  // written only when the user accepts an update.
  void CheckForUpdate(QWidget* owner, bool reportResult, const std::string& baseAddress);

  // True while a worker runs.
  bool Busy() const;
  // The outcomes of finished checks, oldest first. Any thread.
  std::vector<UpdateOutcome> Outcomes() const;

 private:
  void Reap();

  UpdateCheckSetup setup_;
  std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
  std::vector<std::unique_ptr<QThread>> workers_;
  mutable std::mutex mutex_;
  std::vector<UpdateOutcome> outcomes_;
};

}  // namespace padscope
