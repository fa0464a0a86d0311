#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace padscope {

// One top-level collection as the system enumerates it. Two collections of one
// device may share a path (one interface, two collections); they differ in
// usage page and usage.
struct HidDeviceInfo {
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t releaseNumber = 0;
  uint16_t usagePage = 0;
  uint16_t usage = 0;
};

struct HidAttributes {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
};

// The opened collection's usage and its report lengths in bytes, report id byte
// included (so 65 for a 64-byte report), as the link frames its transfers.
struct HidCaps {
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  int inputReportLength = 0;
  int outputReportLength = 0;
  int featureReportLength = 0;
};

// One opened collection. Calls on one device come from one thread at a time
// (the adapter's command lock serialises them); different devices may be used
// from different threads.
class HidDevice {
 public:
  virtual ~HidDevice() = default;

  virtual bool GetAttributes(HidAttributes& out) = 0;
  virtual bool GetCaps(HidCaps& out) = 0;

  // Sends one output report; report[0] is the report id. Returns the number of
  // bytes taken (the whole report on success) or -1 on failure.
  virtual int Write(const uint8_t* report, size_t length) = 0;

  // Receives one input report into report[0 .. length - 1] with the report id in
  // report[0] (0 for unnumbered reports). Waits at most timeoutMs (negative:
  // without limit). Returns the number of bytes stored, 0 on time-out, -1 on
  // failure.
  virtual int Read(uint8_t* report, size_t length, int timeoutMs) = 0;

  // Sends one feature report; report[0] is the report id. Returns the number of
  // bytes taken or -1.
  virtual int SendFeatureReport(const uint8_t* report, size_t length) = 0;
};

// The system's HID devices: real ones through hidapi, or the simulated adapter.
// Enumerate and Open may be called from any thread.
class HidBackend {
 public:
  virtual ~HidBackend() = default;

  // Every present collection, in the system's enumeration order.
  virtual std::vector<HidDeviceInfo> Enumerate() = 0;

  // Opens the collection for reading and writing, shared. Returns null when it
  // cannot be opened. The device may outlive the backend's enumeration entry but
  // not the backend itself.
  virtual std::unique_ptr<HidDevice> Open(const HidDeviceInfo& info) = 0;
};

}  // namespace padscope
