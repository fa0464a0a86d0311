#include "sim/SimulatedAdapter.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "link/Opcodes.h"
#include "sim/SimAdapterState.h"

namespace padscope {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kForeignPathPrefix = "sim:foreign/";
constexpr int kForeignInputReportLength = 9;

std::string ModelName(SimModel model) {
  return model == SimModel::Corvex ? "corvex" : "pelmira";
}

}  // namespace

class SimulatedAdapter::Device : public HidDevice {
 public:
  enum class Kind { Command, Data, Foreign };

  Device(std::shared_ptr<State> state, Kind kind, uint64_t generation, SimForeignDevice foreign)
      : state_(std::move(state)), kind_(kind), generation_(generation), foreign_(foreign) {}

  bool GetAttributes(HidAttributes& out) override {
    if (kind_ == Kind::Foreign) {
      out = {foreign_.vendorId, foreign_.productId, foreign_.releaseNumber};
      return true;
    }
    std::lock_guard lock(state_->mutex);
    if (!Alive()) {
      return false;
    }
    const SimConfig& c = state_->config;
    out = {c.vendorId, ProductId(c.model), c.versionNumber};
    return true;
  }

  bool GetCaps(HidCaps& out) override {
    if (kind_ == Kind::Foreign) {
      out = {foreign_.usagePage, foreign_.usage, kForeignInputReportLength, 0, 0};
      return true;
    }
    std::lock_guard lock(state_->mutex);
    if (!Alive()) {
      return false;
    }
    const SimConfig& c = state_->config;
    out.usagePage = kind_ == Kind::Command ? kCommandUsagePage : kDataUsagePage;
    out.usage = kind_ == Kind::Command ? kCommandUsage : kDataUsage;
    out.inputReportLength = c.inputReportLength;
    out.outputReportLength = c.outputReportLength;
    out.featureReportLength = c.featureReportLength;
    return true;
  }

  int Write(const uint8_t* report, size_t length) override {
    return Send(report, length, state_->config.outputReportLength,
                kind_ == Kind::Command ? SimChannel::Command : SimChannel::Data);
  }

  int SendFeatureReport(const uint8_t* report, size_t length) override {
    return Send(report, length, state_->config.featureReportLength, SimChannel::Feature);
  }

  int Read(uint8_t* report, size_t length, int timeoutMs) override;

  static uint16_t ProductId(SimModel model) {
    return model == SimModel::Corvex ? kCorvexProductId : kPelmiraProductId;
  }

 private:
  bool Alive() const { return state_->plugged && generation_ == state_->generation; }
  int Send(const uint8_t* report, size_t length, int reportLength, SimChannel channel);
  void Deliver(const uint8_t* payload, size_t length, SimChannel channel);

  std::shared_ptr<State> state_;
  const Kind kind_;
  const uint64_t generation_;
  const SimForeignDevice foreign_;
};

int SimulatedAdapter::Device::Send(const uint8_t* report, size_t length, int reportLength,
                                   SimChannel channel) {
  if (kind_ == Kind::Foreign || report == nullptr || length == 0 || reportLength < 2 ||
      length > static_cast<size_t>(reportLength) || report[0] != 0) {
    return -1;  // this device has no such report, or it is not one of ours
  }
  State& s = *state_;
  if (s.config.strictHeaders && length != static_cast<size_t>(reportLength)) {
    return -1;  // a strict device takes whole reports only
  }
  std::unique_lock lock(s.mutex);
  if (!Alive() || s.transfersFailing) {
    return -1;
  }
  size_t taken = length;
  std::vector<uint8_t> payload;
  if (s.shortWrites > 0) {
    --s.shortWrites;
    taken = length - 1;
    // The device saw only what it took: no padding stands in for the lost byte.
    payload.assign(report + std::min<size_t>(1, taken), report + taken);
  } else {
    // A report shorter than the device's is padded with zeros on its way out.
    payload.assign(static_cast<size_t>(reportLength - 1), 0);
    std::memcpy(payload.data(), report + 1, length - 1);
  }
  State::Notice notice = s.Record(true, channel, report, taken);
  Deliver(payload.data(), payload.size(), channel);
  s.CountTransfer();
  s.changed.notify_all();
  lock.unlock();
  s.Notify(notice);
  return static_cast<int>(taken);
}

void SimulatedAdapter::Device::Deliver(const uint8_t* payload, size_t length, SimChannel channel) {
  SimFirmware& fw = state_->firmware;
  if (kind_ == Kind::Data) {
    // Feature reports on the data collection carry nothing the firmware reads.
    if (channel == SimChannel::Data) {
      fw.OnDataBytes(payload, length, Clock::now());
    }
    return;
  }
  fw.OnCommandBytes(payload, length, Clock::now());
}

int SimulatedAdapter::Device::Read(uint8_t* report, size_t length, int timeoutMs) {
  State& s = *state_;
  const int reportLength = s.config.inputReportLength;
  if (kind_ == Kind::Foreign || report == nullptr || length == 0 || reportLength < 2) {
    return -1;
  }
  int effective = timeoutMs;
  if (s.config.readTimeoutMs >= 0) {
    effective =
        timeoutMs < 0 ? s.config.readTimeoutMs : std::min(timeoutMs, s.config.readTimeoutMs);
  }
  const bool unlimited = effective < 0;
  const Clock::time_point deadline =
      unlimited ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(effective);

  std::unique_lock lock(s.mutex);
  SimFirmware::InputReport input;
  for (;;) {
    if (!Alive() || s.transfersFailing) {
      return -1;
    }
    Clock::time_point due = Clock::time_point::max();
    const Clock::time_point now = Clock::now();
    if (kind_ == Kind::Data && s.firmware.TakeInput(now, input, due)) {
      if (input.fails) {
        return -1;
      }
      std::vector<uint8_t> whole(static_cast<size_t>(reportLength), 0);
      std::memcpy(whole.data() + 1, input.payload.data(),
                  std::min(input.payload.size(), whole.size() - 1));
      const size_t copied = std::min(length, whole.size());
      std::memcpy(report, whole.data(), copied);
      State::Notice notice = s.Record(false, SimChannel::Data, whole.data(), whole.size());
      s.CountTransfer();
      lock.unlock();
      s.Notify(notice);
      return static_cast<int>(copied);
    }
    if (!unlimited && now >= deadline) {
      return 0;
    }
    const Clock::time_point wakeAt = std::min(due, deadline);
    if (wakeAt == Clock::time_point::max()) {
      s.changed.wait(lock);
    } else {
      s.changed.wait_until(lock, wakeAt);
    }
  }
}

// --- SimulatedAdapter ---------------------------------------------------------

SimulatedAdapter::SimulatedAdapter(SimConfig config)
    : config_(std::move(config)), state_(std::make_shared<State>(config_)) {}

SimulatedAdapter::~SimulatedAdapter() = default;

std::string SimulatedAdapter::CommandPath() const {
  return "sim:" + ModelName(config_.model) + "/command";
}

std::string SimulatedAdapter::DataPath() const {
  return "sim:" + ModelName(config_.model) + "/data";
}

std::vector<HidDeviceInfo> SimulatedAdapter::Enumerate() {
  std::vector<HidDeviceInfo> list;
  if (IsPlugged()) {
    const uint16_t product = Device::ProductId(config_.model);
    const HidDeviceInfo command{CommandPath(),         config_.vendorId,  product,
                                config_.versionNumber, kCommandUsagePage, kCommandUsage};
    const HidDeviceInfo data{DataPath(),     config_.vendorId, product, config_.versionNumber,
                             kDataUsagePage, kDataUsage};
    list = config_.dataCollectionFirst ? std::vector{data, command} : std::vector{command, data};
  }
  // Insert in order of position so each lands at its index when the list allows.
  std::vector<size_t> order(config_.foreignDevices.size());
  for (size_t i = 0; i < order.size(); ++i) {
    order[i] = i;
  }
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return config_.foreignDevices[a].position < config_.foreignDevices[b].position;
  });
  for (size_t i : order) {
    const SimForeignDevice& f = config_.foreignDevices[i];
    const size_t at = std::min<size_t>(static_cast<size_t>(std::max(0, f.position)), list.size());
    list.insert(list.begin() + static_cast<ptrdiff_t>(at),
                HidDeviceInfo{std::string(kForeignPathPrefix) + std::to_string(i), f.vendorId,
                              f.productId, f.releaseNumber, f.usagePage, f.usage});
  }
  return list;
}

std::unique_ptr<HidDevice> SimulatedAdapter::Open(const HidDeviceInfo& info) {
  const std::string_view path = info.path;
  if (path.starts_with(kForeignPathPrefix)) {
    const std::string index(path.substr(kForeignPathPrefix.size()));
    for (size_t i = 0; i < config_.foreignDevices.size(); ++i) {
      if (index == std::to_string(i)) {
        return std::make_unique<Device>(state_, Device::Kind::Foreign, 0,
                                        config_.foreignDevices[i]);
      }
    }
    return nullptr;
  }
  Device::Kind kind;
  if (path == CommandPath()) {
    kind = Device::Kind::Command;
  } else if (path == DataPath()) {
    kind = Device::Kind::Data;
  } else {
    return nullptr;
  }
  std::lock_guard lock(state_->mutex);
  if (!state_->plugged) {
    return nullptr;
  }
  return std::make_unique<Device>(state_, kind, state_->generation, SimForeignDevice{});
}

}  // namespace padscope
