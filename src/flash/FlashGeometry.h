#pragma once

#include <array>
#include <cstdint>

namespace padscope {

class HidAdapter;

// What the adapter's flash size code means for the flash page.
struct FlashGeometry {
  int frameLimit = 0x10000;  // frames a load reads at most
  int eraseSeconds = 80;     // how long a chip erase may take
  bool known = false;        // false: an unknown code or no reply; the defaults apply
};

// 0x20 → 32,768 frames / 20 s, 0x40 → 65,536 / 40 s, 0x80 → 131,072 / 80 s;
// anything else → 65,536 frames / 80 s.
FlashGeometry GeometryForSizeCode(uint8_t sizeCode);

// The adapter's 64-byte flash information reply.
struct FlashInfo {
  bool ok = false;  // the request went through
  std::array<uint8_t, 64> reply{};
  uint8_t Busy() const { return reply[0]; }
  uint8_t SizeCode() const { return reply[1]; }
  // The geometry of the size code; the fallback row when the request failed.
  FlashGeometry Geometry() const { return ok ? GeometryForSizeCode(SizeCode()) : FlashGeometry{}; }
};

// Asks the adapter for its flash information: the Corvex status request when
// isCorvex is set, otherwise the Pelmira one. Any thread.
FlashInfo ReadFlashInfo(HidAdapter& adapter);

}  // namespace padscope
