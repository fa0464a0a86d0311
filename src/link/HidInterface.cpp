#include "link/HidInterface.h"

namespace padscope {

void HidInterface::Close() {
  if (!isOpen) {
    return;
  }
  devicePath.clear();
  handle.reset();
  inputReport.clear();
  outputReport.clear();
  featureReport.clear();
  caps = {};
  attributes = {};
  isOpen = false;
}

}  // namespace padscope
