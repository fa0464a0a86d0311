// The adapter's command set: every command is a header on the command
// collection, optionally followed by a data phase of known length on the data
// collection. No reply is awaited beyond the data phase itself.
#include <array>
#include <cstring>
#include <vector>

#include "link/CommandHeaders.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"

namespace padscope {

namespace {

// Reports the drain reads at most: more than any host queue holds, so that a
// stream that never pauses (or an adapter gone wild) cannot keep it going.
constexpr int kMaxDrainReports = 1024;
// Stream frames a replay-status request skips before it gives up: those the
// adapter sends while it prepares its answer.
constexpr int kMaxFramesBeforeStatus = 32;

}  // namespace

void HidAdapter::DrainInput(HidInterface& iface) {
  const size_t n = static_cast<size_t>(iface.caps.inputReportLength);
  if (!iface.handle || n < 2 || iface.inputReport.size() < n) {
    return;
  }
  for (int i = 0; i < kMaxDrainReports; ++i) {
    if (iface.handle->Read(iface.inputReport.data(), n, 0) <= 0) {
      return;
    }
  }
}

bool HidAdapter::SendFeature(const uint8_t* header, int headerLength) {
  // The whole feature report, as the collection declares it: a system may
  // refuse a shorter one. The header follows the report id, zeros after it.
  const int reportLength = commandInterface.caps.featureReportLength;
  if (!commandInterface.handle || reportLength < kShortHeaderLength + 1) {
    return false;
  }
  std::vector<uint8_t> report(static_cast<size_t>(reportLength), 0);
  std::copy(header, header + std::min(headerLength, kShortHeaderLength), report.begin() + 1);
  return commandInterface.handle->SendFeatureReport(report.data(), report.size()) == reportLength;
}

bool HidAdapter::RunCommand(const uint8_t* header, int headerLength, bool viaFeature,
                            const DataPhase& phase) {
  if (!connected) {
    return false;
  }
  // A negative length would be announced to the adapter as a huge transfer.
  const bool hasData = phase.out != nullptr || phase.in != nullptr;
  if (phase.length < 0 || (phase.length > 0 && !hasData)) {
    return false;
  }
  std::lock_guard lock(commandLock);
  if (phase.in != nullptr || phase.startsStream) {
    DrainInput(dataInterface);
  }
  int sent = 0;
  const bool headerSent = viaFeature ? SendFeature(header, headerLength)
                                     : WriteReports(commandInterface, header, headerLength, sent);
  if (!headerSent) {
    return false;
  }
  if (phase.out != nullptr) {
    return WriteReports(dataInterface, phase.out, phase.length, sent);
  }
  if (phase.in != nullptr) {
    int received = 0;
    return ReadReports(dataInterface, phase.in, phase.length, received);
  }
  return true;
}

namespace {

// Data-phase lengths go into unsigned header fields; negative ones are refused
// by RunCommand before anything is sent.
uint32_t AsField(int length) {
  return length < 0 ? 0u : static_cast<uint32_t>(length);
}

}  // namespace

// --- Corvex family ------------------------------------------------------------

bool HidAdapter::StopStream() {
  const auto h = BuildLongHeader(0, 0, kOpStopStream);
  return RunCommand(h.data(), kLongHeaderLength, false, {});
}

bool HidAdapter::StartStream() {
  const auto h = BuildLongHeader(0, 0, kOpStartStream);
  return RunCommand(h.data(), kLongHeaderLength, false, {.startsStream = true});
}

bool HidAdapter::WriteData(const uint8_t* data, int length) {
  const auto h = BuildLongHeader(0, AsField(length), kOpWriteData);
  return RunCommand(h.data(), kLongHeaderLength, false, {data, nullptr, length});
}

bool HidAdapter::ReadData(uint8_t* buffer, int length) {
  const auto h = BuildLongHeader(0, AsField(length), kOpReadData);
  return RunCommand(h.data(), kLongHeaderLength, false, {nullptr, buffer, length});
}

bool HidAdapter::StartFlashDump() {
  const auto h = BuildLongHeader(0, 0, kOpStartFlashDump);
  return RunCommand(h.data(), kLongHeaderLength, false, {.startsStream = true});
}

bool HidAdapter::EndFlashDump() {
  const auto h = BuildLongHeader(0, 0, kOpEndFlashDump);
  return RunCommand(h.data(), kLongHeaderLength, false, {});
}

bool HidAdapter::ReadStatus(uint8_t* buffer, int length) {
  const auto h = BuildLongHeader(0, AsField(length), kOpReadStatus);
  return RunCommand(h.data(), kLongHeaderLength, false, {nullptr, buffer, length});
}

bool HidAdapter::EraseFlash() {
  const auto h = BuildLongHeader(0, 0, kOpEraseFlash);
  return RunCommand(h.data(), kLongHeaderLength, false, {});
}

// --- Pelmira family -----------------------------------------------------------

bool HidAdapter::ReadStatusP(uint8_t* buffer, int length, bool viaFeature) {
  const auto h = BuildShortHeader(AsField(length), kOpReadStatusP);
  return RunCommand(h.data(), kShortHeaderLength, viaFeature, {nullptr, buffer, length});
}

bool HidAdapter::StopStreamP(bool viaFeature) {
  const auto h = BuildShortHeader(0, kOpStopStreamP);
  return RunCommand(h.data(), kShortHeaderLength, viaFeature, {});
}

bool HidAdapter::SendOpcodeWithByte(uint8_t opcode, uint8_t value, bool viaFeature) {
  const auto h = BuildShortHeaderWithByte(value, opcode);
  // Both uses start a stream: the live one (0xF3) and the flash dump (0xFC).
  const bool starts = opcode == kOpStartStreamP || opcode == kOpStartFlashDumpP;
  return RunCommand(h.data(), kShortHeaderLength, viaFeature, {.startsStream = starts});
}

bool HidAdapter::WriteBlocks(const uint8_t* data, int length) {
  const auto h = BuildBlockHeader(AsField(length), kOpWriteBlocks);
  return RunCommand(h.data(), kLongHeaderLength, false, {data, nullptr, length});
}

bool HidAdapter::ReadBlocks(uint8_t* buffer, int length) {
  const auto h = BuildBlockHeader(AsField(length), kOpReadBlocks);
  return RunCommand(h.data(), kLongHeaderLength, false, {nullptr, buffer, length});
}

bool HidAdapter::EraseFlashP(bool viaFeature) {
  const auto h = BuildShortHeader(0, kOpEraseFlashP);
  return RunCommand(h.data(), kShortHeaderLength, viaFeature, {});
}

bool HidAdapter::EndFlashDumpP(bool viaFeature) {
  const auto h = BuildShortHeader(0, kOpEndFlashDumpP);
  return RunCommand(h.data(), kShortHeaderLength, viaFeature, {});
}

// --- Either model -------------------------------------------------------------

bool HidAdapter::SetRechargeAddress(uint32_t address, bool viaFeature) {
  const auto h = BuildShortHeader(address, kOpSetRechargeAddress);
  if (!RunCommand(h.data(), kShortHeaderLength, viaFeature, {})) {
    return false;
  }
  replayMayRun_ = true;
  return true;
}

namespace {

// The status reply carries the busy flag in byte 0, the flash size code in
// byte 1 and the replay-finished flag (0 or 1) in byte 2. A stream frame whose
// channel byte (byte 2) reads 0 or 1 carries one channel at most, so its key
// bits of channels 8..15 (byte 1) are clear: a report whose byte 1 is 0 cannot
// be the reply, nor can one with the "double" mark of a stream frame.
bool CanBeStatusReply(const uint8_t* report) {
  constexpr char kDoubleMark[] = "double";
  return report[kStatusReplayFinishedByte] <= 1 && report[kStatusSizeCodeByte] != 0 &&
         std::memcmp(report + 58, kDoubleMark, 6) != 0;
}

}  // namespace

bool HidAdapter::ReadReplayStatus(uint8_t* buffer, int length) {
  if (!connected || buffer == nullptr || length < kStatusLength) {
    return false;
  }
  const auto h = BuildLongHeader(0, AsField(length), kOpReadStatus);
  std::lock_guard lock(commandLock);
  DrainInput(dataInterface);
  int sent = 0;
  if (!WriteReports(commandInterface, h.data(), kLongHeaderLength, sent)) {
    return false;
  }
  for (int i = 0; i <= kMaxFramesBeforeStatus; ++i) {
    int received = 0;
    if (ReadReportsTimed(dataInterface, buffer, length, received, streamTimeoutMs_) !=
        StreamRead::Ok) {
      return false;
    }
    if (CanBeStatusReply(buffer)) {
      return true;
    }
  }
  return false;
}

bool HidAdapter::SendWithData(uint8_t opcode, const uint8_t* data, int length, bool viaFeature) {
  const auto h = BuildShortHeader(AsField(length), opcode);
  return RunCommand(h.data(), kShortHeaderLength, viaFeature, {data, nullptr, length});
}

}  // namespace padscope
