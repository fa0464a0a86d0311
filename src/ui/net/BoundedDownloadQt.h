#pragma once

// One HTTP download whose memory is bounded by its size cap: the body is read
// as the data arrive through a bounded read buffer (Qt stops reading from the
// network while it is full), and the download stops at the cap. Shared by the
// update check (the version page, the package check) and the updater.

#include <QByteArray>
#include <QNetworkReply>
#include <QString>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace padscope {

struct DownloadLimits {
  qint64 maxBytes = 0;  // the most body bytes ever held
  // True: a longer body (or one longer than its announced length) is cut
  // there and counts as fetched. False: a body announcing or sending more than
  // maxBytes is refused (tooLarge).
  bool truncate = false;
  std::chrono::milliseconds timeout{20000};   // a transfer without progress for this long fails
  std::shared_ptr<std::atomic<bool>> cancel;  // set from another thread: the download stops
  std::function<void(qint64 done, qint64 total)> progress;  // total -1 when unknown
};

struct DownloadResult {
  QByteArray body;
  int status = 0;  // the HTTP status; 0 when there was no answer
  bool tooLarge = false;
  bool cancelled = false;
  QNetworkReply::NetworkError error = QNetworkReply::NoError;
  QString errorText;  // from the network, the server's reason phrase included: plain text only
};

// Fetches `url` with the user agent "Morrowgap", running a local event loop
// on the calling thread (which owns `manager`).
DownloadResult DownloadBounded(QNetworkAccessManager& manager, const QUrl& url,
                               const DownloadLimits& limits);

}  // namespace padscope
