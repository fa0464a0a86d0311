// Fault injection, observation and flash access of the simulated adapter.
#include <chrono>

#include "sim/SimAdapterState.h"
#include "sim/SimulatedAdapter.h"

namespace padscope {

void SimulatedAdapter::Unplug() {
  std::lock_guard lock(state_->mutex);
  state_->plugged = false;
  ++state_->generation;
  state_->firmware.PowerCycle();
  state_->changed.notify_all();
}

void SimulatedAdapter::Replug() {
  // Always a full power cycle, even without a preceding Unplug: handles opened
  // before it are dead either way.
  std::lock_guard lock(state_->mutex);
  state_->plugged = true;
  ++state_->generation;
  state_->firmware.PowerCycle();
  state_->transfersLeft = -1;
  state_->transfersFailing = false;
  state_->changed.notify_all();
}

bool SimulatedAdapter::IsPlugged() const {
  std::lock_guard lock(state_->mutex);
  return state_->plugged;
}

void SimulatedAdapter::InjectFrameFault(SimFrameFault fault, int frames) {
  std::lock_guard lock(state_->mutex);
  state_->firmware.InjectFrameFault(fault, frames);
}

void SimulatedAdapter::SetLayout(SimLayout layout) {
  std::lock_guard lock(state_->mutex);
  state_->firmware.SetLayout(layout);
}

void SimulatedAdapter::InjectShortWrites(int count) {
  std::lock_guard lock(state_->mutex);
  state_->shortWrites = std::max(0, count);
}

void SimulatedAdapter::FailTransfersAfter(int reports) {
  std::lock_guard lock(state_->mutex);
  state_->transfersLeft = std::max(0, reports);
  state_->transfersFailing = reports <= 0;
  state_->changed.notify_all();
}

void SimulatedAdapter::ClearTransferFault() {
  std::lock_guard lock(state_->mutex);
  state_->transfersLeft = -1;
  state_->transfersFailing = false;
}

std::vector<SimReport> SimulatedAdapter::Reports() const {
  std::lock_guard lock(state_->mutex);
  return {state_->record.begin(), state_->record.end()};
}

void SimulatedAdapter::ClearReports() {
  std::lock_guard lock(state_->mutex);
  state_->record.clear();
}

void SimulatedAdapter::SetReportObserver(std::function<void(const SimReport&)> observer) {
  std::lock_guard lock(state_->mutex);
  state_->observer =
      observer ? std::make_shared<const SimReportObserver>(std::move(observer)) : nullptr;
}

bool SimulatedAdapter::IsStreaming() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.IsStreaming();
}

SimParameters SimulatedAdapter::Parameters() const {
  std::lock_guard lock(state_->mutex);
  state_->firmware.SettleDataPhase();
  return state_->firmware.Parameters();
}

std::array<uint8_t, 16> SimulatedAdapter::Thresholds() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.Thresholds();
}

uint32_t SimulatedAdapter::RechargeAddress() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.RechargeAddress();
}

bool SimulatedAdapter::ReplayFinished() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.ReplayFinished();
}

bool SimulatedAdapter::IsBusy() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.IsBusy(std::chrono::steady_clock::now());
}

uint64_t SimulatedAdapter::FramesDelivered() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.FramesDelivered();
}

std::vector<SimCommand> SimulatedAdapter::Commands() const {
  std::lock_guard lock(state_->mutex);
  const auto& commands = state_->firmware.Commands();
  return {commands.begin(), commands.end()};
}

uint8_t SimulatedAdapter::LastStartValue() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.LastStartValue();
}

SimLayout SimulatedAdapter::Layout() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.Layout();
}

uint64_t SimulatedAdapter::BytesDroppedWhileBusy() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.BytesDroppedWhileBusy();
}

size_t SimulatedAdapter::QueuedReports() const {
  std::lock_guard lock(state_->mutex);
  state_->firmware.Advance(std::chrono::steady_clock::now());
  return state_->firmware.Queued();
}

uint64_t SimulatedAdapter::FramesDropped() const {
  std::lock_guard lock(state_->mutex);
  state_->firmware.Advance(std::chrono::steady_clock::now());
  return state_->firmware.FramesDropped();
}

size_t SimulatedAdapter::FlashSize() const {
  std::lock_guard lock(state_->mutex);
  return state_->firmware.flash().Size();
}

std::vector<uint8_t> SimulatedAdapter::Flash() const {
  std::lock_guard lock(state_->mutex);
  // A running erase has moved on since the last transfer.
  state_->firmware.Advance(std::chrono::steady_clock::now());
  return state_->firmware.flash().Bytes();
}

void SimulatedAdapter::SetFlash(size_t offset, const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(state_->mutex);
  state_->firmware.flash().Store(offset, bytes.data(), bytes.size());
}

void SimulatedAdapter::InjectFlashProgramFault(size_t offset) {
  std::lock_guard lock(state_->mutex);
  state_->firmware.InjectProgramFault(offset);
}

void SimulatedAdapter::RecordFramesToFlash(int frames) {
  std::lock_guard lock(state_->mutex);
  state_->firmware.RecordFramesToFlash(frames);
}

}  // namespace padscope
