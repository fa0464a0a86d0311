#include "flash/FlashGeometry.h"

#include "link/HidAdapter.h"
#include "link/Opcodes.h"

namespace padscope {

FlashGeometry GeometryForSizeCode(uint8_t sizeCode) {
  switch (sizeCode) {
    case 0x20:
      return {0x8000, 20, true};
    case 0x40:
      return {0x10000, 40, true};
    case 0x80:
      return {0x20000, 80, true};
    default:
      return {};
  }
}

FlashInfo ReadFlashInfo(HidAdapter& adapter) {
  FlashInfo info;
  info.ok = adapter.isCorvex ? adapter.ReadStatus(info.reply.data(), kStatusLength)
                             : adapter.ReadStatusP(info.reply.data(), kStatusLength);
  return info;
}

}  // namespace padscope
