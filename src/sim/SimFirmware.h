#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "sim/CommandAssembler.h"
#include "sim/SimFlash.h"
#include "sim/SimFrameLayout.h"
#include "sim/SimulatedAdapter.h"
#include "sim/TouchModel.h"

namespace padscope {

// The adapter's firmware: decodes command headers, runs data phases, keeps the
// flash, and produces what the host reads from the data collection (command
// replies first, then stream frames). Knows nothing of handles, faults on the
// link, or threads: SimulatedAdapter calls it with its lock held.
class SimFirmware {
 public:
  using Clock = std::chrono::steady_clock;

  explicit SimFirmware(const SimConfig& config);

  // Payload bytes (report id removed) written to the command collection.
  void OnCommandBytes(const uint8_t* bytes, size_t length, Clock::time_point now);
  // Payload bytes written to the data collection (host → adapter data phases).
  void OnDataBytes(const uint8_t* bytes, size_t length, Clock::time_point now);

  enum class Poll {
    Ready,  // `payload` holds the next input report's payload
    Later,  // a stream frame becomes due at `due`
    Idle,   // nothing to send until the host sends a command
    Ended,  // a replay has just run out: the host's read fails, once
  };
  // Produces the next input report payload of `payloadLength` bytes (the last
  // report of a message zero-padded). A message, once begun, is finished before
  // anything else goes out.
  Poll NextPayload(Clock::time_point now, size_t payloadLength, std::vector<uint8_t>& payload,
                   Clock::time_point& due);

  // Power-on state again: streams, queues, pending data and volatile settings
  // are lost; the flash keeps its contents (a running erase completes).
  void PowerCycle();

  // Resolves a 0xF4 data phase that stopped at exactly 64 bytes as parameters.
  void SettleDataPhase();

  void SetLayout(SimLayout layout) { layout_ = layout; }
  void InjectFrameFault(SimFrameFault fault, int frames);
  void RecordFramesToFlash(int frames);
  // The next programming that covers `offset` stores that byte with bit 0 flipped.
  void InjectProgramFault(uint64_t offset) { programFault_ = offset; }
  SimFlash& flash() { return flash_; }
  const SimFlash& flash() const { return flash_; }

  bool IsStreaming() const { return mode_ != StreamMode::Off; }
  SimLayout Layout() const { return layout_; }
  const SimParameters& Parameters() const { return parameters_; }
  const std::array<uint8_t, 16>& Thresholds() const { return thresholds_; }
  uint32_t RechargeAddress() const { return rechargeAddress_; }
  bool ReplayFinished() const { return replayFinished_; }
  bool IsBusy(Clock::time_point now) const { return now < busyUntil_; }
  uint64_t FramesDelivered() const { return framesDelivered_; }
  const std::deque<SimCommand>& Commands() const { return commands_; }
  uint8_t LastStartValue() const { return lastStartValue_; }
  uint64_t BytesDroppedWhileBusy() const { return droppedWhileBusy_; }

 private:
  enum class StreamMode { Off, Live, Replay, Dump };
  enum class PhaseKind { None, FlashWrite, ParamsOrBlocks, Parameters, Threshold };

  struct DataPhase {
    PhaseKind kind = PhaseKind::None;
    uint64_t expected = 0;
    uint64_t received = 0;
    std::vector<uint8_t> head;  // the first bytes of a phase that is applied as a whole
    std::vector<uint8_t> tail;  // zeros after 64 bytes of 0xF4 data: padding or block data
  };

  // One message to the host, sent as consecutive input reports.
  struct Outbound {
    std::vector<uint8_t> bytes;  // the message, or its start when it runs past the flash
    uint64_t length = 0;         // bytes beyond `bytes` go out as 0xFF (unwritten flash)
    uint64_t sent = 0;
  };

  struct PendingFault {
    SimFrameFault fault;
    int frames;
  };

  bool Accepts(const SimHeader& h) const;
  void Execute(const SimHeader& h, Clock::time_point now);
  void ExecuteStream(const SimHeader& h, Clock::time_point now);
  void ExecuteFlash(const SimHeader& h, Clock::time_point now);
  void BeginPhase(PhaseKind kind, uint64_t expected);
  void EndPhase();
  size_t TakeParamsOrBlocks(const uint8_t* bytes, size_t length, Clock::time_point now);
  void ProgramFlash(uint64_t offset, const uint8_t* bytes, size_t length, Clock::time_point now);
  void ApplyParameters(const std::vector<uint8_t>& bytes);
  void ApplyThreshold(const std::vector<uint8_t>& bytes);
  void QueueStatus(uint32_t length, Clock::time_point now);
  void QueueFlashRead(uint64_t length);
  void StartStream(Clock::time_point now);
  void ArmReplay(uint32_t address, Clock::time_point now);

  Poll NextFrame(Clock::time_point now, SimFrame& frame, Clock::time_point& due);
  Poll NextLiveFrame(Clock::time_point now, SimFrame& frame, Clock::time_point& due);
  Poll NextReplayFrame(Clock::time_point now, SimFrame& frame, Clock::time_point& due);
  void DamageFrame(SimFrame& frame);

  const SimConfig config_;
  const TouchModel model_;
  const Clock::time_point epoch_;  // the chip scans from power-on; live frame n is due at n / fps
  SimFlash flash_;
  CommandAssembler assembler_;
  SimLayout layout_;

  DataPhase phase_;
  std::deque<Outbound> replies_;
  std::optional<Outbound> inFlight_;

  StreamMode mode_ = StreamMode::Off;
  uint64_t nextLiveFrame_ = 0;
  uint64_t replayOffset_ = 0;
  uint64_t dumpOffset_ = 0;
  Clock::time_point replayDue_{};
  std::deque<PendingFault> frameFaults_;

  SimParameters parameters_;
  std::array<uint8_t, 16> thresholds_{};
  uint32_t rechargeAddress_ = 0;
  bool replayArmed_ = false;
  bool replayFinished_ = false;
  uint8_t lastStartValue_ = 0;
  Clock::time_point busyUntil_{};
  uint64_t framesDelivered_ = 0;
  uint64_t droppedWhileBusy_ = 0;
  std::optional<uint64_t> programFault_;
  std::deque<SimCommand> commands_;
};

}  // namespace padscope
