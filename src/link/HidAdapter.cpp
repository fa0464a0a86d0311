#include "link/HidAdapter.h"

#include <algorithm>
#include <cstring>

#include "link/Identification.h"
#include "link/Opcodes.h"

namespace padscope {

namespace {

// Report lengths beyond this come from a damaged descriptor; the adapter's are 65.
constexpr int kMaxReportLength = 4096 + 1;

int ClampReportLength(int length) {
  return std::clamp(length, 0, kMaxReportLength);
}

}  // namespace

HidAdapter::HidAdapter(std::shared_ptr<HidBackend> backend) : backend_(std::move(backend)) {}

HidAdapter::~HidAdapter() {
  Close();
}

std::string HidAdapter::FirmwareText() const {
  std::lock_guard lock(textMutex_);
  return firmwareText_;
}

bool HidAdapter::Connect(const void* /*ownerWindow*/) {
  if (!backend_) {
    return connected.load();
  }
  std::lock_guard connectLock(connectMutex_);
  isCorvex = false;
  isPelmira = false;
  {
    std::lock_guard lock(textMutex_);
    firmwareText_.clear();
  }

  // Open into fresh records so that a failed or partial pass leaves the
  // previous handles in place (they fail on their own once the adapter is gone).
  HidInterface command;
  HidInterface data;
  bool commandFound = false;
  bool dataFound = false;
  for (const HidDeviceInfo& info : backend_->Enumerate()) {
    bool openedAsCommand = false;
    if (!commandFound) {
      openedAsCommand = commandFound = OpenInterface(info, true, true, false, false, true, command,
                                                     kCommandUsagePage, kCommandUsage);
    }
    if (!openedAsCommand && !dataFound) {
      dataFound =
          OpenInterface(info, true, true, false, false, true, data, kDataUsagePage, kDataUsage);
    }
    if (commandFound && dataFound) {
      break;
    }
  }

  present_ = commandFound && dataFound;
  if (commandFound && dataFound) {
    // A streaming read on another thread may be using the old records.
    std::lock_guard lock(commandLock);
    dataInterface.Close();
    commandInterface.Close();
    dataInterface = std::move(data);
    commandInterface = std::move(command);
    connected = true;
  }
  return connected.load();
}

void HidAdapter::Close() {
  connected = false;
  isCorvex = false;
  isPelmira = false;
  std::lock_guard lock(commandLock);
  dataInterface.Close();
  commandInterface.Close();
}

bool HidAdapter::OpenInterface(const HidDeviceInfo& info, bool read, bool write, bool overlapped,
                               bool exclusive, bool fillCaps, HidInterface& target,
                               uint16_t usagePage, uint16_t usage) {
  std::unique_ptr<HidDevice> device = backend_->Open(info);
  if (!device) {
    return false;
  }
  HidAttributes attributes;
  if (!device->GetAttributes(attributes)) {
    return false;
  }
  const AdapterIdentity id =
      IdentifyAdapter(attributes.vendorId, attributes.productId, attributes.versionNumber);
  isCorvex = id.isCorvex;
  isPelmira = id.isPelmira;
  if (!id.matched) {
    return false;
  }
  {
    std::lock_guard lock(textMutex_);
    firmwareText_ = id.firmwareText;
  }
  twoLineAdapter = id.twoLineAdapter;
  newerFirmwareAvailable = id.newerFirmwareAvailable;

  HidCaps caps;
  if (fillCaps) {
    if (!device->GetCaps(caps) || caps.usagePage != usagePage || caps.usage != usage) {
      return false;
    }
    caps.inputReportLength = ClampReportLength(caps.inputReportLength);
    caps.outputReportLength = ClampReportLength(caps.outputReportLength);
    caps.featureReportLength = ClampReportLength(caps.featureReportLength);
  }

  target.Close();
  target.devicePath = info.path;
  target.handle = std::move(device);
  target.openedForRead = read;
  target.openedForWrite = write;
  target.openedOverlapped = overlapped;
  target.openedExclusive = exclusive;
  target.attributes = attributes;
  target.caps = caps;
  if (fillCaps) {
    target.inputReport.assign(static_cast<size_t>(caps.inputReportLength), 0);
    target.outputReport.assign(static_cast<size_t>(caps.outputReportLength), 0);
    target.featureReport.assign(static_cast<size_t>(caps.featureReportLength), 0);
    target.isOpen = true;
  }
  return true;
}

bool HidAdapter::WriteReports(HidInterface& iface, const uint8_t* data, int length, int& sent) {
  sent = 0;
  if (length <= 0) {
    return true;
  }
  const int reportLength = iface.caps.outputReportLength;
  // A report of one byte carries no data: without this the loop never ends.
  if (data == nullptr || !iface.handle || reportLength <= 1 ||
      static_cast<int>(iface.outputReport.size()) < reportLength) {
    return false;
  }
  uint8_t* report = iface.outputReport.data();
  while (sent < length) {
    const int chunk = std::min(reportLength - 1, length - sent);
    report[0] = 0;
    std::memcpy(report + 1, data + sent, static_cast<size_t>(chunk));
    std::memset(report + 1 + chunk, 0, static_cast<size_t>(reportLength - 1 - chunk));
    if (iface.handle->Write(report, static_cast<size_t>(reportLength)) != reportLength) {
      return false;
    }
    sent += reportLength - 1;
  }
  return true;
}

HidAdapter::StreamRead HidAdapter::ReadOneReport(HidInterface& iface, int timeoutMs) {
  const size_t n = static_cast<size_t>(iface.caps.inputReportLength);
  std::fill(iface.inputReport.begin(), iface.inputReport.end(), 0);
  const int got = iface.handle->Read(iface.inputReport.data(), n, timeoutMs);
  return got > 0 ? StreamRead::Ok : got == 0 ? StreamRead::TimedOut : StreamRead::Failed;
}

HidAdapter::StreamRead HidAdapter::ReadReportsTimed(HidInterface& iface, uint8_t* buffer,
                                                    int length, int& received, int timeoutMs) {
  received = 0;
  if (length <= 0) {
    return StreamRead::Ok;
  }
  const int reportLength = iface.caps.inputReportLength;
  if (buffer == nullptr || !iface.handle || reportLength <= 1 ||
      static_cast<int>(iface.inputReport.size()) < reportLength) {
    return StreamRead::Failed;
  }
  while (received < length) {
    const StreamRead r = ReadOneReport(iface, timeoutMs);
    if (r != StreamRead::Ok) {
      // Part of a message already taken cannot be resumed: that is a failure.
      return received == 0 ? r : StreamRead::Failed;
    }
    const int chunk = std::min(reportLength - 1, length - received);
    std::memcpy(buffer + received, iface.inputReport.data() + 1, static_cast<size_t>(chunk));
    received += reportLength - 1;
  }
  return StreamRead::Ok;
}

bool HidAdapter::ReadReports(HidInterface& iface, uint8_t* buffer, int length, int& received) {
  return ReadReportsTimed(iface, buffer, length, received, replyTimeoutMs_) == StreamRead::Ok;
}

HidAdapter::StreamRead HidAdapter::ReadStreamFrame(uint8_t* buffer, int length) {
  if (!connected) {
    return StreamRead::Failed;
  }
  std::lock_guard lock(commandLock);
  int received = 0;
  return ReadReportsTimed(dataInterface, buffer, length, received, streamTimeoutMs_);
}

}  // namespace padscope
