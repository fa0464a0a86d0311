#include "sim/SimFirmware.h"

#include <algorithm>
#include <cmath>

#include "link/Opcodes.h"
#include "sim/SimScenario.h"

namespace padscope {

namespace {

constexpr uint8_t kDefaultThreshold = 60;
constexpr size_t kCommandLogLimit = 10000;
// A status request names its length; anything absurd is capped rather than
// queued (the host only ever asks for 64 bytes).
constexpr uint32_t kMaxStatusReply = 4096;
constexpr size_t kParameterBlockLength = 64;
constexpr uint64_t kBlockWriteOf64 = 64 * kBlockLength;
// A chip erase clears the flash one sector after the other.
constexpr uint64_t kEraseSector = 4096;

}  // namespace

SimFirmware::SimFirmware(const SimConfig& config)
    : config_(config),
      model_(config.seed, config.scenario),
      epoch_(Clock::now()),
      payloadLength_(static_cast<size_t>(std::max(1, config.inputReportLength - 1))),
      reportsPerFrame_((kStreamPayloadLength + payloadLength_ - 1) / payloadLength_),
      queueDepth_(static_cast<size_t>(std::max(1, config.inputQueueDepth))),
      flash_(config.flashSizeCode),
      assembler_(config.strictHeaders),
      layout_(config.layout) {
  ResetThresholds();
}

void SimFirmware::ResetThresholds() {
  // A scripted chip may come up with thresholds of its own.
  if (config_.scenario) {
    thresholds_ = config_.scenario->ChipThresholds(kDefaultThreshold);
  } else {
    thresholds_.fill(kDefaultThreshold);
  }
}

void SimFirmware::PowerCycle() {
  assembler_.Reset();
  phase_ = {};
  queue_.clear();
  replies_.clear();
  mode_ = StreamMode::Off;
  if (erasing_) {
    flash_.EraseRange(erasedTo_, flash_.Size());
    erasing_ = false;
  }
  parameters_ = {};
  ResetThresholds();
  rechargeAddress_ = 0;
  replayArmed_ = false;
  replayFinished_ = false;
  lastStartValue_ = 0;
}

bool SimFirmware::Accepts(const SimHeader& h) const {
  const bool corvex = config_.model == SimModel::Corvex;
  switch (h.opcode) {
    case kOpSetRechargeAddress:
    case kOpSendThreshold:
      return true;
    case kOpReadStatus:
      return corvex || config_.pelmiraAnswersReadStatus;
    case kOpWriteBlocks:  // parameters on either model, block writes on Pelmira only
      return !corvex || h.argument == kParameterBlockLength;
    case kOpStopStream:
    case kOpStartStream:
    case kOpWriteData:
    case kOpReadData:
    case kOpStartFlashDump:
    case kOpEndFlashDump:
    case kOpEraseFlash:
      return corvex;
    case kOpReadStatusP:
    case kOpStopStreamP:
    case kOpStartStreamP:
    case kOpReadBlocks:
    case kOpStartFlashDumpP:
    case kOpEraseFlashP:
    case kOpEndFlashDumpP:
      return !corvex;
    default:
      return false;
  }
}

void SimFirmware::OnCommandBytes(const uint8_t* bytes, size_t length, Clock::time_point now) {
  // What the stream sent before this command is queued ahead of its reply.
  Advance(now);
  std::vector<SimHeader> headers;
  assembler_.Feed(bytes, length, headers);
  for (const SimHeader& h : headers) {
    // A new command ends the previous one's data phase, however far it got.
    SettleDataPhase();
    EndPhase();
    const bool known = Accepts(h);
    commands_.push_back({h.opcode, h.argument, h.longHeader, known});
    if (commands_.size() > kCommandLogLimit) {
      commands_.pop_front();
    }
    if (known) {
      Execute(h, now);
    }
  }
}

void SimFirmware::Execute(const SimHeader& h, Clock::time_point now) {
  switch (h.opcode) {
    case kOpStopStream:
    case kOpStopStreamP:
    case kOpStartStream:
    case kOpStartStreamP:
    case kOpStartFlashDump:
    case kOpStartFlashDumpP:
    case kOpEndFlashDump:
    case kOpEndFlashDumpP:
    case kOpSetRechargeAddress:
      ExecuteStream(h, now);
      break;
    case kOpReadStatus:
    case kOpReadStatusP:
      QueueStatus(h.argument, now);
      break;
    case kOpSendThreshold:
      BeginPhase(PhaseKind::Threshold, h.argument);
      break;
    default:
      ExecuteFlash(h, now);
      break;
  }
}

void SimFirmware::ExecuteStream(const SimHeader& h, Clock::time_point now) {
  switch (h.opcode) {
    case kOpStopStream:
    case kOpStopStreamP:
      mode_ = StreamMode::Off;
      break;
    case kOpStartStreamP:
      lastStartValue_ = static_cast<uint8_t>(h.argument >> 16);  // header byte 4
      if (config_.widthFromStartValue) {
        const bool configuredDouble = !IsSingleByteLayout(config_.layout);
        layout_ = lastStartValue_ == 0 ? SimLayout::Single16
                  : configuredDouble   ? config_.layout
                                       : SimLayout::Double8Marked;
      }
      StartStream(now);
      break;
    case kOpStartStream:
      StartStream(now);
      break;
    case kOpStartFlashDump:
    case kOpStartFlashDumpP:
      mode_ = StreamMode::Dump;
      dumpOffset_ = 0;
      BeginPacing(now);
      break;
    case kOpEndFlashDump:
    case kOpEndFlashDumpP:
      if (mode_ == StreamMode::Dump) {
        mode_ = StreamMode::Off;
      }
      break;
    case kOpSetRechargeAddress:
      ArmReplay(h.argument, now);
      break;
    default:
      break;
  }
}

void SimFirmware::ExecuteFlash(const SimHeader& h, Clock::time_point now) {
  switch (h.opcode) {
    case kOpWriteData:
      BeginPhase(PhaseKind::FlashWrite, h.argument);
      break;
    case kOpWriteBlocks:
      // Parameters and a 64-block write share this header; see SettleDataPhase.
      if (h.argument != kParameterBlockLength) {
        BeginPhase(PhaseKind::FlashWrite, uint64_t{h.argument} * kBlockLength);
      } else if (config_.model == SimModel::Corvex) {
        BeginPhase(PhaseKind::Parameters, kParameterBlockLength);
      } else {
        BeginPhase(PhaseKind::ParamsOrBlocks, kBlockWriteOf64);
      }
      break;
    case kOpReadData:
      QueueFlashRead(h.argument, now);
      break;
    case kOpReadBlocks:
      QueueFlashRead(uint64_t{h.argument} * kBlockLength, now);
      break;
    case kOpEraseFlash:
    case kOpEraseFlashP:
      StartErase(now);
      break;
    default:
      break;
  }
}

void SimFirmware::StartStream(Clock::time_point now) {
  replayFinished_ = false;
  if (replayArmed_) {
    mode_ = StreamMode::Replay;
    replayOffset_ = config_.rechargeUnit == SimRechargeUnit::Frames
                        ? uint64_t{rechargeAddress_} * kStreamPayloadLength
                        : rechargeAddress_ & ~uint64_t{kStreamPayloadLength - 1};
  } else {
    mode_ = StreamMode::Live;
    if (Paced()) {
      // The chip scans from power-on: the stream starts with the current scan.
      const double elapsed = std::chrono::duration<double>(now - epoch_).count();
      nextLiveFrame_ = std::max(
          nextLiveFrame_, static_cast<uint64_t>(std::floor(elapsed * config_.framesPerSecond)));
    }
  }
  BeginPacing(now);
}

void SimFirmware::ArmReplay(uint32_t address, Clock::time_point now) {
  rechargeAddress_ = address;
  replayArmed_ = true;
  replayFinished_ = false;
  // A running stream switches over from its next frame, or keeps going until
  // the next start.
  const bool running =
      mode_ == StreamMode::Live || mode_ == StreamMode::Replay || mode_ == StreamMode::Blank;
  if (running && config_.rechargeSwitchesRunningStream) {
    StartStream(now);
  }
}

void SimFirmware::StartErase(Clock::time_point now) {
  AdvanceErase(now);
  eraseStart_ = now;
  busyUntil_ = now + std::chrono::milliseconds(std::max(0, config_.eraseMs));
  erasedTo_ = 0;
  erasing_ = true;
  AdvanceErase(now);
}

void SimFirmware::AdvanceErase(Clock::time_point now) {
  if (!erasing_) {
    return;
  }
  const uint64_t size = flash_.Size();
  uint64_t target = size;
  if (now < busyUntil_) {
    const double done = std::chrono::duration<double>(now - eraseStart_) /
                        std::chrono::duration<double>(busyUntil_ - eraseStart_);
    target = static_cast<uint64_t>(done * static_cast<double>(size)) / kEraseSector * kEraseSector;
  }
  if (target > erasedTo_) {
    flash_.EraseRange(erasedTo_, target);
    erasedTo_ = target;
  }
  erasing_ = erasedTo_ < size;
}

void SimFirmware::QueueStatus(uint32_t length, Clock::time_point now) {
  Outbound m;
  m.bytes.assign(length == 0 ? kStatusLength : std::min(length, kMaxStatusReply), 0);
  const auto put = [&m](int index, uint8_t value) {
    if (static_cast<size_t>(index) < m.bytes.size()) {
      m.bytes[index] = value;
    }
  };
  put(kStatusBusyByte, IsBusy(now) ? 1 : 0);
  put(kStatusSizeCodeByte, config_.flashSizeCode);
  put(kStatusReplayFinishedByte, replayFinished_ ? 1 : 0);
  m.length = m.bytes.size();
  QueueReply(std::move(m), now);
}

void SimFirmware::QueueReply(Outbound reply, Clock::time_point now) {
  reply.readyAt = now + std::chrono::milliseconds(std::max(0, config_.replyDelayMs));
  replies_.push_back(std::move(reply));
  MoveReplies(now);
}

void SimFirmware::QueueFlashRead(uint64_t length, Clock::time_point now) {
  if (length == 0) {
    return;
  }
  // The reply holds the flash as it was when asked; a length past the end costs
  // no memory, the rest reads blank.
  Outbound m;
  m.bytes.resize(static_cast<size_t>(std::min<uint64_t>(length, flash_.Size())));
  flash_.Read(0, m.bytes.data(), m.bytes.size());
  m.length = length;
  QueueReply(std::move(m), now);
}

void SimFirmware::BeginPhase(PhaseKind kind, uint64_t expected) {
  phase_ = {};
  if (expected > 0) {
    phase_.kind = kind;
    phase_.expected = expected;
  }
}

void SimFirmware::EndPhase() {
  phase_ = {};
}

void SimFirmware::SettleDataPhase() {
  // An 0xF4 header with argument 64 announces either 64 parameter bytes or 64
  // blocks of flash. The adapter cannot tell until more than 64 bytes arrive (a
  // flash write, already converted in OnDataBytes) or the data stops at 64: then,
  // on the next command or when someone looks, it is a parameter block.
  if (phase_.kind == PhaseKind::ParamsOrBlocks && phase_.received == kParameterBlockLength) {
    ApplyParameters(phase_.head);
    EndPhase();
  }
}

size_t SimFirmware::TakeParamsOrBlocks(const uint8_t* bytes, size_t length, Clock::time_point now) {
  if (phase_.received == kParameterBlockLength) {
    // Another report after the first 64 bytes: a block write after all.
    phase_.kind = PhaseKind::FlashWrite;
    ProgramFlash(0, phase_.head.data(), phase_.head.size(), now);
    ProgramFlash(kParameterBlockLength, phase_.tail.data(), phase_.tail.size(), now);
    phase_.received += phase_.tail.size();
    return 0;
  }
  const size_t toHead =
      static_cast<size_t>(std::min<uint64_t>(length, kParameterBlockLength - phase_.received));
  phase_.head.insert(phase_.head.end(), bytes, bytes + toHead);
  phase_.received += toHead;
  const uint8_t* rest = bytes + toHead;
  const size_t restLength = length - toHead;
  if (std::all_of(rest, rest + restLength, [](uint8_t b) { return b == 0; })) {
    // Zeros after the 64th byte in the same report may be its padding; only a
    // further report proves a block write.
    const size_t keep = static_cast<size_t>(
        std::min<uint64_t>(restLength, phase_.expected - kParameterBlockLength));
    phase_.tail.assign(rest, rest + keep);
    return length;
  }
  phase_.kind = PhaseKind::FlashWrite;
  ProgramFlash(0, phase_.head.data(), phase_.head.size(), now);
  return toHead;
}

void SimFirmware::OnDataBytes(const uint8_t* bytes, size_t length, Clock::time_point now) {
  Advance(now);
  // Called once per report: the report boundary matters to the 0xF4 ambiguity.
  if (phase_.kind == PhaseKind::ParamsOrBlocks) {
    const size_t used = TakeParamsOrBlocks(bytes, length, now);
    bytes += used;
    length -= used;
  }
  if (phase_.kind == PhaseKind::None || phase_.kind == PhaseKind::ParamsOrBlocks || length == 0) {
    return;
  }
  // Bytes beyond the announced length are the last report's zero padding.
  const size_t take =
      static_cast<size_t>(std::min<uint64_t>(length, phase_.expected - phase_.received));
  if (phase_.kind == PhaseKind::FlashWrite) {
    ProgramFlash(phase_.received, bytes, take, now);
  } else {
    const size_t toHead = std::min(take, kParameterBlockLength - phase_.head.size());
    phase_.head.insert(phase_.head.end(), bytes, bytes + toHead);
  }
  phase_.received += take;
  if (phase_.received < phase_.expected) {
    return;
  }
  if (phase_.kind == PhaseKind::Parameters) {
    ApplyParameters(phase_.head);
  } else if (phase_.kind == PhaseKind::Threshold) {
    ApplyThreshold(phase_.head);
  }
  EndPhase();
}

void SimFirmware::ProgramFlash(uint64_t offset, const uint8_t* bytes, size_t length,
                               Clock::time_point now) {
  if (IsBusy(now)) {
    droppedWhileBusy_ += length;  // a chip erase ignores program commands
    return;
  }
  flash_.Program(offset, bytes, length);
  if (programFault_ && *programFault_ >= offset && *programFault_ - offset < length) {
    uint8_t damaged = bytes[*programFault_ - offset] ^ 0x01;
    flash_.Store(*programFault_, &damaged, 1);
    programFault_.reset();
  }
}

void SimFirmware::ApplyParameters(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 5) {
    return;
  }
  parameters_.received = true;
  parameters_.chTimer = bytes[0];
  parameters_.times = bytes[1];
  parameters_.maxHoldKeyTime = bytes[2];
  parameters_.debounceOrThreshold = bytes[3];
  parameters_.noComposeKey = bytes[4];
}

void SimFirmware::ApplyThreshold(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 2 || bytes[0] >= thresholds_.size()) {
    return;  // no such channel: the chip ignores it
  }
  thresholds_[bytes[0]] = bytes[1];
}

void SimFirmware::RecordFramesToFlash(int frames) {
  flash_.Erase();
  erasing_ = false;
  const uint64_t capacity = flash_.Size() / kStreamPayloadLength;
  const uint64_t count = std::min<uint64_t>(std::max(0, frames), capacity);
  for (uint64_t i = 0; i < count; ++i) {
    const SimFrame f = EncodeFrame(model_, i, layout_, thresholds_, Format());
    flash_.Store(i * kStreamPayloadLength, f.data(), f.size());
  }
}

}  // namespace padscope
