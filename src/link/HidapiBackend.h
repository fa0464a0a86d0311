#pragma once

#include <memory>
#include <vector>

#include "link/HidBackend.h"

namespace padscope {

// The system's HID collections through hidapi (hidraw on Linux). Stateless
// apart from hidapi's one-time initialisation, which the first call performs;
// any thread may call Enumerate and Open. hidapi is never shut down, so
// devices stay usable until they are destroyed.
class HidapiBackend : public HidBackend {
 public:
  // Every collection hidapi lists; hidapi lists one entry per top-level
  // collection, so two entries may share a path. Empty when hidapi cannot be
  // initialised.
  std::vector<HidDeviceInfo> Enumerate() override;

  // Opens info.path. The device reports vendor, product and release from
  // `info`, and report lengths from the report descriptor of the collection
  // info.usagePage/info.usage (65/65/65 when that cannot be determined). The
  // caller owns the device; destroying it closes the handle.
  std::unique_ptr<HidDevice> Open(const HidDeviceInfo& info) override;
};

}  // namespace padscope
