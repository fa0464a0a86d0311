#include "link/Identification.h"

#include <cstdio>

#include "link/Opcodes.h"

namespace padscope {

AdapterIdentity IdentifyAdapter(uint16_t vendorId, uint16_t productId, uint16_t versionNumber) {
  AdapterIdentity id;
  if (vendorId != kAdapterVendorId) {
    return id;
  }
  if (productId == kCorvexProductId) {
    id.isCorvex = true;
  } else if (productId == kPelmiraProductId) {
    id.isPelmira = true;
  } else {
    return id;
  }
  id.matched = true;
  switch (versionNumber) {
    case 0x7732:
      id.firmwareText = "w2";
      id.twoLineAdapter = true;
      id.newerFirmwareAvailable = true;
      break;
    case 0x4457:
      id.firmwareText = "DW";
      id.twoLineAdapter = true;
      id.newerFirmwareAvailable = false;
      break;
    case 0x0100:
      id.firmwareText = "0100";
      id.twoLineAdapter = true;
      id.newerFirmwareAvailable = false;
      break;
    default: {
      char text[8];
      std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(versionNumber));
      id.firmwareText = text;
      id.twoLineAdapter = false;
      id.newerFirmwareAvailable = true;
      break;
    }
  }
  return id;
}

}  // namespace padscope
