#include "link/HidapiBackend.h"

#include <hidapi.h>

#include <mutex>
#include <utility>

#include "link/HidrawDescriptor.h"

namespace padscope {
namespace {

// hid_init is not safe to race with itself or with the implicit initialisation
// in hid_enumerate/hid_open_path, so every entry point goes through here first.
bool EnsureHidapi() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = hid_init() == 0; });
  return ok;
}

class HidapiDevice : public HidDevice {
 public:
  HidapiDevice(hid_device* handle, const HidDeviceInfo& info, const HidCollectionLayout& layout)
      : handle_(handle), info_(info), layout_(layout) {}

  ~HidapiDevice() override { hid_close(handle_); }

  HidapiDevice(const HidapiDevice&) = delete;
  HidapiDevice& operator=(const HidapiDevice&) = delete;

  bool GetAttributes(HidAttributes& out) override {
    out.vendorId = info_.vendorId;
    out.productId = info_.productId;
    out.versionNumber = info_.releaseNumber;
    return true;
  }

  bool GetCaps(HidCaps& out) override {
    out = layout_.caps;
    return true;
  }

  int Write(const uint8_t* report, size_t length) override {
    if (report == nullptr || length == 0) {
      return -1;
    }
    // hidapi takes the id in byte 0 and leaves id 0 off the wire itself.
    const int n = hid_write(handle_, report, length);
    return n < 0 ? -1 : n;
  }

  int Read(uint8_t* report, size_t length, int timeoutMs) override {
    if (report == nullptr) {
      return -1;
    }
    const int wait = timeoutMs < 0 ? -1 : timeoutMs;
    if (layout_.usesReportIds) {
      if (length == 0) {
        return -1;
      }
      const int n = hid_read_timeout(handle_, report, length, wait);
      return n < 0 ? -1 : n;
    }
    // Unnumbered input reports arrive without an id byte; store the data after
    // report[0] and put the implied id 0 there, so that both kinds look alike.
    // At least one data byte must fit, or a report would be cut to nothing.
    if (length < 2) {
      return -1;
    }
    const int n = hid_read_timeout(handle_, report + 1, length - 1, wait);
    if (n < 0) {
      return -1;
    }
    if (n == 0) {
      return 0;
    }
    report[0] = 0;
    return n + 1;
  }

  int SendFeatureReport(const uint8_t* report, size_t length) override {
    if (report == nullptr || length == 0) {
      return -1;
    }
    const int n = hid_send_feature_report(handle_, report, length);
    return n < 0 ? -1 : n;
  }

 private:
  hid_device* handle_;
  const HidDeviceInfo info_;
  const HidCollectionLayout layout_;
};

}  // namespace

std::vector<HidDeviceInfo> HidapiBackend::Enumerate() {
  std::vector<HidDeviceInfo> result;
  if (!EnsureHidapi()) {
    return result;
  }
  hid_device_info* list = hid_enumerate(0, 0);
  for (const hid_device_info* d = list; d != nullptr; d = d->next) {
    if (d->path == nullptr) {
      continue;
    }
    HidDeviceInfo info;
    info.path = d->path;
    info.vendorId = d->vendor_id;
    info.productId = d->product_id;
    info.releaseNumber = d->release_number;
    info.usagePage = d->usage_page;
    info.usage = d->usage;
    result.push_back(std::move(info));
  }
  hid_free_enumeration(list);
  return result;
}

std::unique_ptr<HidDevice> HidapiBackend::Open(const HidDeviceInfo& info) {
  if (info.path.empty() || !EnsureHidapi()) {
    return nullptr;
  }
  hid_device* handle = hid_open_path(info.path.c_str());
  if (handle == nullptr) {
    return nullptr;
  }
  const HidCollectionLayout layout =
      LayoutFromDescriptorFile(HidrawDescriptorPath(info.path), info.usagePage, info.usage);
  return std::make_unique<HidapiDevice>(handle, info, layout);
}

}  // namespace padscope
