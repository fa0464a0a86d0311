#include "ui/net/BoundedDownloadQt.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>
#include <algorithm>

namespace padscope {

namespace {

// What Qt holds for the reply before it is read; it reads no more from the
// network while this is full, and no more is queued between its threads.
constexpr qint64 kReadBufferBytes = 256 << 10;

// The announced body length, or -1.
qint64 AnnouncedLength(const QNetworkReply& reply) {
  bool ok = false;
  const qint64 n = reply.header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
  return ok && n >= 0 ? n : -1;
}

}  // namespace

DownloadResult DownloadBounded(QNetworkAccessManager& manager, const QUrl& url,
                               const DownloadLimits& limits) {
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Morrowgap"));
  request.setTransferTimeout(static_cast<int>(limits.timeout.count()));
  QNetworkReply* reply = manager.get(request);
  reply->setReadBufferSize(kReadBufferBytes);

  DownloadResult result;
  QEventLoop loop;
  // The bytes kept: the cap, or what the server announced when less (a longer
  // body is cut there when truncating).
  const auto limit = [&] {
    const qint64 announced = AnnouncedLength(*reply);
    return limits.truncate && announced >= 0 ? std::min(announced, limits.maxBytes)
                                             : limits.maxBytes;
  };
  // Reads what has arrived; false once the download is to stop.
  const auto take = [&] {
    const qint64 keep = limit();
    while (reply->bytesAvailable() > 0) {
      // One byte beyond the cap tells a body that is too long.
      const qint64 room = keep - result.body.size() + (limits.truncate ? 0 : 1);
      if (room <= 0) {
        break;
      }
      result.body += reply->read(std::min(room, reply->bytesAvailable()));
    }
    if (result.body.size() > limits.maxBytes) {
      result.tooLarge = true;
      result.body.clear();
      return false;
    }
    return !(limits.truncate && result.body.size() >= keep);
  };
  QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
    const qint64 announced = AnnouncedLength(*reply);
    if (!limits.truncate && announced > limits.maxBytes) {
      result.tooLarge = true;
      loop.quit();
    } else if (announced > 0 && announced <= limits.maxBytes) {
      result.body.reserve(static_cast<qsizetype>(announced));
    }
  });
  QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
    if (!take()) {
      loop.quit();
    }
  });
  QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 done, qint64 total) {
    if (limits.progress) {
      limits.progress(done, total);
    }
  });
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (limits.cancel && limits.cancel->load()) {
      result.cancelled = true;
      loop.quit();
    }
  });
  poll.start(50);
  if (!reply->isFinished()) {
    loop.exec();
  }
  const bool complete = reply->isFinished() && !result.tooLarge && !result.cancelled;
  if (complete) {
    take();
  }
  result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (complete) {
    result.error = reply->error();
    result.errorText = reply->errorString();
  }
  reply->abort();
  delete reply;  // at once, with everything it still buffers
  return result;
}

}  // namespace padscope
