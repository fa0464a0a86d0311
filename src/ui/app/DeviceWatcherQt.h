#pragma once

#include <QObject>
#include <QTimer>
#include <set>
#include <string>

namespace padscope {

class HidBackend;

// Tells when an HID collection appears or disappears, by comparing the set of
// enumerated collections every half second (what device-interface
// notifications are on other systems). Any HID device counts, not only the
// adapter. UI thread.
class DeviceWatcher : public QObject {
  Q_OBJECT

 public:
  explicit DeviceWatcher(HidBackend& backend, int intervalMs = 500, QObject* parent = nullptr);

  // Compares now instead of waiting for the timer (tests).
  void Poll();

 signals:
  void Arrived();
  void Removed();

 private:
  std::set<std::string> Snapshot();

  HidBackend& backend_;
  std::set<std::string> known_;
  QTimer timer_;
};

}  // namespace padscope
