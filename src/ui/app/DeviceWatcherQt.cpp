#include "ui/app/DeviceWatcherQt.h"

#include <algorithm>
#include <iterator>

#include "link/HidBackend.h"

namespace padscope {

DeviceWatcher::DeviceWatcher(HidBackend& backend, int intervalMs, QObject* parent)
    : QObject(parent), backend_(backend), known_(Snapshot()) {
  connect(&timer_, &QTimer::timeout, this, &DeviceWatcher::Poll);
  timer_.start(intervalMs);
}

std::set<std::string> DeviceWatcher::Snapshot() {
  std::set<std::string> keys;
  for (const HidDeviceInfo& info : backend_.Enumerate()) {
    keys.insert(info.path + "#" + std::to_string(info.usagePage) + ":" +
                std::to_string(info.usage));
  }
  return keys;
}

void DeviceWatcher::Poll() {
  std::set<std::string> now = Snapshot();
  const bool removed = !std::includes(now.begin(), now.end(), known_.begin(), known_.end());
  const bool arrived = !std::includes(known_.begin(), known_.end(), now.begin(), now.end());
  known_ = std::move(now);
  if (removed) {
    emit Removed();
  }
  if (arrived) {
    emit Arrived();
  }
}

}  // namespace padscope
