#include "link/AdapterInstance.h"

#include "link/HidAdapter.h"

namespace padscope {

namespace {
std::unique_ptr<HidAdapter>& Slot() {
  static std::unique_ptr<HidAdapter> adapter;
  return adapter;
}
}  // namespace

HidAdapter* theAdapter() {
  return Slot().get();
}

void SetTheAdapter(std::unique_ptr<HidAdapter> adapter) {
  Slot() = std::move(adapter);
}

}  // namespace padscope
