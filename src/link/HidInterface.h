#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/HidBackend.h"

namespace padscope {

// One opened HID collection of the adapter, owned by HidAdapter. Only the
// handle, the report lengths and the report buffers take part in transfers.
struct HidInterface {
  std::string devicePath;
  std::unique_ptr<HidDevice> handle;  // null while not open
  bool openedForRead = false;
  bool openedForWrite = false;
  bool openedOverlapped = false;
  bool openedExclusive = false;
  HidCaps caps;
  HidAttributes attributes;
  std::vector<uint8_t> inputReport;    // caps.inputReportLength bytes: receive buffer
  std::vector<uint8_t> outputReport;   // caps.outputReportLength bytes: send buffer
  std::vector<uint8_t> featureReport;  // caps.featureReportLength bytes
  bool isOpen = false;

  // Releases the handle and buffers; does nothing when the record is not open.
  void Close();
};

}  // namespace padscope
