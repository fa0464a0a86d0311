#include "link/TracingBackend.h"

#include "link/Opcodes.h"

namespace padscope {

std::string FormatTraceLine(bool toAdapter, const char* channel, const uint8_t* bytes,
                            size_t length) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string line;
  line.reserve(length * 3 + 16);
  line += toAdapter ? '>' : '<';
  line += ' ';
  line += channel;
  for (size_t i = 0; i < length; ++i) {
    line += ' ';
    line += kHex[bytes[i] >> 4];
    line += kHex[bytes[i] & 0x0F];
  }
  return line;
}

namespace {

class TracingDevice : public HidDevice {
 public:
  TracingDevice(std::unique_ptr<HidDevice> inner, const char* channel,
                std::shared_ptr<TracingBackend::Sink> sink)
      : inner_(std::move(inner)), channel_(channel), sink_(std::move(sink)) {}

  bool GetAttributes(HidAttributes& out) override { return inner_->GetAttributes(out); }
  bool GetCaps(HidCaps& out) override { return inner_->GetCaps(out); }

  int Write(const uint8_t* report, size_t length) override {
    const int n = inner_->Write(report, length);
    if (n > 0) {
      Emit(true, channel_, report, static_cast<size_t>(n));
    }
    return n;
  }

  int Read(uint8_t* report, size_t length, int timeoutMs) override {
    const int n = inner_->Read(report, length, timeoutMs);
    if (n > 0) {
      Emit(false, channel_, report, static_cast<size_t>(n));
    }
    return n;
  }

  int SendFeatureReport(const uint8_t* report, size_t length) override {
    const int n = inner_->SendFeatureReport(report, length);
    if (n > 0) {
      Emit(true, "feature", report, static_cast<size_t>(n));
    }
    return n;
  }

 private:
  void Emit(bool toAdapter, const char* channel, const uint8_t* bytes, size_t length) {
    if (*sink_) {
      (*sink_)(FormatTraceLine(toAdapter, channel, bytes, length));
    }
  }

  std::unique_ptr<HidDevice> inner_;
  const char* channel_;
  std::shared_ptr<TracingBackend::Sink> sink_;
};

}  // namespace

TracingBackend::TracingBackend(std::shared_ptr<HidBackend> inner, Sink sink)
    : inner_(std::move(inner)), sink_(std::make_shared<Sink>(std::move(sink))) {}

std::vector<HidDeviceInfo> TracingBackend::Enumerate() {
  return inner_->Enumerate();
}

std::unique_ptr<HidDevice> TracingBackend::Open(const HidDeviceInfo& info) {
  std::unique_ptr<HidDevice> device = inner_->Open(info);
  if (!device) {
    return nullptr;
  }
  const char* channel = info.usagePage == kDataUsagePage ? "data" : "cmd";
  return std::make_unique<TracingDevice>(std::move(device), channel, sink_);
}

}  // namespace padscope
