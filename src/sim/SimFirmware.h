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
// flash, and fills the host's queue of input reports: stream frames at the
// chip's own rate whether or not the host reads (dropped when the queue is
// full), replies behind whatever is queued. Knows nothing of handles, faults on
// the link, or threads: SimulatedAdapter calls it with its lock held.
class SimFirmware {
 public:
  using Clock = std::chrono::steady_clock;

  explicit SimFirmware(const SimConfig& config);

  // Payload bytes (report id removed) of one report written to the command
  // collection.
  void OnCommandBytes(const uint8_t* bytes, size_t length, Clock::time_point now);
  // Payload bytes of one report written to the data collection (host → adapter
  // data phases).
  void OnDataBytes(const uint8_t* bytes, size_t length, Clock::time_point now);

  // One input report as the host's side holds it.
  struct InputReport {
    std::vector<uint8_t> payload;  // the report's bytes after its id
    bool fails = false;            // the read that reaches it fails instead
  };

  // Brings the adapter up to `now`: a running erase moves on, the frames the
  // stream made since the last call join the queue (or are lost when it is
  // full), and replies move in as room allows.
  void Advance(Clock::time_point now);
  // Takes the oldest queued input report into `out`. Without a frame rate a
  // stream makes its next frame here when nothing is queued. False when
  // nothing is there; `due` then tells when the next frame comes
  // (Clock::time_point::max() for none).
  bool TakeInput(Clock::time_point now, InputReport& out, Clock::time_point& due);

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
  uint64_t FramesDropped() const { return framesDropped_; }
  size_t Queued() const { return queue_.size(); }
  const std::deque<SimCommand>& Commands() const { return commands_; }
  uint8_t LastStartValue() const { return lastStartValue_; }
  uint64_t BytesDroppedWhileBusy() const { return droppedWhileBusy_; }

 private:
  enum class StreamMode { Off, Live, Replay, Dump, Blank };
  enum class PhaseKind { None, FlashWrite, ParamsOrBlocks, Parameters, Threshold };

  struct DataPhase {
    PhaseKind kind = PhaseKind::None;
    uint64_t expected = 0;
    uint64_t received = 0;
    std::vector<uint8_t> head;  // the first bytes of a phase that is applied as a whole
    std::vector<uint8_t> tail;  // zeros after 64 bytes of 0xF4 data: padding or block data
  };

  // One reply to the host, sent as consecutive input reports.
  struct Outbound {
    std::vector<uint8_t> bytes;  // the message, or its start when it runs past the flash
    uint64_t length = 0;         // bytes beyond `bytes` go out as 0xFF (unwritten flash)
    uint64_t sent = 0;
    Clock::time_point readyAt{};  // the adapter has the answer from then on
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
  void ResetThresholds();
  void QueueStatus(uint32_t length, Clock::time_point now);
  void QueueFlashRead(uint64_t length, Clock::time_point now);
  void QueueReply(Outbound reply, Clock::time_point now);
  void StartStream(Clock::time_point now);
  void ArmReplay(uint32_t address, Clock::time_point now);
  void StartErase(Clock::time_point now);
  void AdvanceErase(Clock::time_point now);

  SimValueFormat Format() const { return {config_.valueEncoding, config_.countShift}; }

  // The input side (SimFirmwareStream.cpp).
  bool Paced() const { return config_.framesPerSecond > 0; }
  double Pace() const;
  void BeginPacing(Clock::time_point now);
  Clock::time_point NextDue() const;
  void StreamUntil(Clock::time_point now);
  void ProduceFrame();
  void EndReplay();
  bool RoomForFrame() const;
  void PushFrame(const SimFrame& frame);
  void MoveReplies(Clock::time_point now);
  void DamageFrame(SimFrame& frame);

  const SimConfig config_;
  const TouchModel model_;
  const Clock::time_point epoch_;  // the chip scans from power-on; live frame n is due at n / fps
  const size_t payloadLength_;     // bytes of an input report after its id
  const size_t reportsPerFrame_;
  const size_t queueDepth_;
  SimFlash flash_;
  CommandAssembler assembler_;
  SimLayout layout_;

  DataPhase phase_;
  std::deque<InputReport> queue_;  // what the host's side holds, oldest first
  std::deque<Outbound> replies_;   // replies not yet wholly in the queue, the first begun

  StreamMode mode_ = StreamMode::Off;
  Clock::time_point streamStart_{};
  uint64_t streamFrames_ = 0;  // frames the stream made since it started (pacing)
  uint64_t nextLiveFrame_ = 0;
  uint64_t replayOffset_ = 0;
  uint64_t dumpOffset_ = 0;
  std::deque<PendingFault> frameFaults_;

  SimParameters parameters_;
  std::array<uint8_t, 16> thresholds_{};
  uint32_t rechargeAddress_ = 0;
  bool replayArmed_ = false;
  bool replayFinished_ = false;
  uint8_t lastStartValue_ = 0;
  Clock::time_point eraseStart_{};
  Clock::time_point busyUntil_{};
  bool erasing_ = false;
  uint64_t erasedTo_ = 0;  // a running erase has blanked the flash up to here
  uint64_t framesDelivered_ = 0;
  uint64_t framesDropped_ = 0;
  uint64_t droppedWhileBusy_ = 0;
  std::optional<uint64_t> programFault_;
  std::deque<SimCommand> commands_;
};

}  // namespace padscope
