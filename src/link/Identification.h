#pragma once

#include <cstdint>
#include <string>

namespace padscope {

// What an interface's HID attributes say about the adapter behind it.
struct AdapterIdentity {
  bool matched = false;  // vendor and product are one of the two adapter models
  bool isCorvex = false;
  bool isPelmira = false;
  std::string firmwareText;
  bool twoLineAdapter = false;
  bool newerFirmwareAvailable = false;
};

// Applies the identification table to one interface's attributes. A foreign
// vendor or product gives matched == false and every flag cleared.
AdapterIdentity IdentifyAdapter(uint16_t vendorId, uint16_t productId, uint16_t versionNumber);

}  // namespace padscope
