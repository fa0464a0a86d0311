// The adapter link's report framing against an adapter that answers with
// fuzzed reports: a simulated adapter whose collections report fuzzed report
// lengths and whose reads, writes and feature reports the input may replace
// with arbitrary bytes, short or failed transfers and time-outs, while the
// link runs a sequence of its commands chosen by the input.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzInput.h"
#include "link/HidAdapter.h"
#include "sim/SimulatedAdapter.h"

using namespace padscope;

namespace {

class FuzzDevice : public HidDevice {
 public:
  FuzzDevice(std::unique_ptr<HidDevice> inner, fuzz::FuzzInput& in)
      : inner_(std::move(inner)), in_(in) {}

  bool GetAttributes(HidAttributes& out) override { return inner_->GetAttributes(out); }
  bool GetCaps(HidCaps& out) override {
    if (!inner_->GetCaps(out)) {
      return false;
    }
    static constexpr int kLengths[] = {0, 1, 2, 9, 64, 65, 66, 129};
    const uint8_t c = in_.Take<uint8_t>();
    if (c & 0x80) {
      out.inputReportLength = kLengths[c & 7];
      out.outputReportLength = kLengths[(c >> 3) & 7];
    }
    return true;
  }
  int Write(const uint8_t* report, size_t length) override {
    switch (in_.Take<uint8_t>() & 7) {
      case 1:
        return -1;
      case 2:
        return static_cast<int>(length / 2);
      default:
        return inner_->Write(report, length);
    }
  }
  int Read(uint8_t* report, size_t length, int timeoutMs) override {
    switch (in_.Take<uint8_t>() & 7) {
      case 1:
        return -1;
      case 2:
        return 0;
      case 3:
      case 4: {  // arbitrary bytes, possibly fewer than asked
        const size_t want = std::min<size_t>(length, in_.Take<uint8_t>());
        const auto bytes = in_.TakeBytes(want);
        std::memcpy(report, bytes.data(), bytes.size());
        return static_cast<int>(bytes.size());
      }
      default:
        return inner_->Read(report, length, std::min(timeoutMs, 1));
    }
  }
  int SendFeatureReport(const uint8_t* report, size_t length) override {
    return (in_.Take<uint8_t>() & 7) == 1 ? -1 : inner_->SendFeatureReport(report, length);
  }

 private:
  std::unique_ptr<HidDevice> inner_;
  fuzz::FuzzInput& in_;
};

class FuzzBackend : public HidBackend {
 public:
  FuzzBackend(SimConfig config, fuzz::FuzzInput& in)
      : sim_(std::make_shared<SimulatedAdapter>(config)), in_(in) {}
  std::vector<HidDeviceInfo> Enumerate() override { return sim_->Enumerate(); }
  std::unique_ptr<HidDevice> Open(const HidDeviceInfo& info) override {
    std::unique_ptr<HidDevice> inner = sim_->Open(info);
    if (inner == nullptr) {
      return nullptr;
    }
    return std::make_unique<FuzzDevice>(std::move(inner), in_);
  }

 private:
  std::shared_ptr<SimulatedAdapter> sim_;
  fuzz::FuzzInput& in_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const uint8_t setup = in.Take<uint8_t>();
  SimConfig config;
  config.model = (setup & 1) ? SimModel::Corvex : SimModel::Pelmira;
  config.layout = static_cast<SimLayout>((setup >> 1) % 3);
  config.framesPerSecond = 0;
  config.eraseMs = 0;
  config.readTimeoutMs = 1;
  config.recordReports = false;
  HidAdapter adapter(std::make_shared<FuzzBackend>(config, in));
  adapter.SetStreamTimeoutMs(1);
  adapter.SetReplyTimeoutMs(1);
  adapter.Connect();

  std::vector<uint8_t> buffer(4096);
  for (int step = 0; step < 64 && !in.Empty(); ++step) {
    const uint8_t op = in.Take<uint8_t>();
    const int length = static_cast<int>(in.Take<uint16_t>() % buffer.size());
    const bool feature = op & 0x80;
    switch (op & 0x0F) {
      case 0:
        adapter.Connect();
        break;
      case 1:
        adapter.ReadStream(buffer.data(), length);
        break;
      case 2:
        adapter.ReadData(buffer.data(), length);
        break;
      case 3:
        adapter.ReadStatusP(buffer.data(), length, feature);
        break;
      case 4:
        adapter.ReadBlocks(buffer.data(), length);
        break;
      case 5:
        adapter.WriteBlocks(buffer.data(), length);
        break;
      case 6:
        adapter.SendWithData(op, buffer.data(), length, feature);
        break;
      case 7:
        adapter.SetRechargeAddress(in.Take<uint32_t>(), feature);
        break;
      case 8:
        adapter.StartFlashDump();
        break;
      case 9:
        adapter.EndFlashDumpP(feature);
        break;
      case 10:
        adapter.EraseFlashP(feature);
        break;
      case 11:
        adapter.StartStream();
        break;
      case 12:
        adapter.StopStreamP(feature);
        break;
      case 13:
        adapter.SendOpcodeWithByte(static_cast<uint8_t>(op >> 4), static_cast<uint8_t>(length),
                                   feature);
        break;
      case 14:
        adapter.ReadStatus(buffer.data(), length);
        break;
      default:
        adapter.Close();
        break;
    }
  }
  return 0;
}
