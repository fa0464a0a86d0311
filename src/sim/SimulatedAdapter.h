#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/HidBackend.h"

namespace padscope {

// A stand-in for the adapter firmware and the touch-key chip behind it, served
// through the same HidBackend interface as real hardware: HidAdapter cannot tell
// the two apart. Thread-safe: the capture thread and the UI thread may use it at
// once, and tests may inject faults while a capture runs.

enum class SimModel { Pelmira, Corvex };

class SimScenario;

// How the simulated chip lays out its 64-byte frames.
enum class SimLayout {
  Single16,       // channel byte 0x10; 16 big-endian raw counts at 3..34, key bytes at 35..50
  Double8Marked,  // channel byte 0x88; raw counts at 3..18, 16-bit key values at 35..50, "double"
                  // at 58..63
  Double8Plain,   // channel byte 0x88; raw counts at 3..18, 16-bit key values at 19..34, no mark
  Single1,        // channel byte 0x01: the smallest board; its raw count at 3..4, key byte at 5
  Single4,        // channel byte 0x04: a four-key board; raw counts at 3..10, key bytes at 11..14
};

// How the chip's 16-bit values travel: as two's-complement words, or offset
// by 0x8000 (0x8000 standing for zero).
enum class SimValueEncoding { TwosComplement, Offset };

// What the adapter does when a replay of recorded frames reaches the first
// blank frame of the flash.
enum class SimReplayEnd {
  Silent,       // the stream just stops; reads time out
  BlankFrames,  // the stream goes on with all-0xFF frames until stopped
  FailedRead,   // one read on the data collection fails, then silence
};

// How the recharge address counts.
enum class SimRechargeUnit {
  Bytes,   // a byte offset into the flash, rounded down to a whole frame
  Frames,  // a frame number (64 bytes each)
};

// Which collection a recorded report crossed.
enum class SimChannel { Command, Data, Feature };

struct SimReport {
  bool toAdapter = false;  // true: written by the host; false: delivered to the host
  SimChannel channel = SimChannel::Command;
  std::vector<uint8_t> bytes;  // the whole report, report id first
};

// A foreign HID collection placed in the enumeration.
struct SimForeignDevice {
  int position = 0;  // index in the enumeration order at which it appears
  uint16_t vendorId = 0x046D;
  uint16_t productId = 0xC077;
  uint16_t releaseNumber = 0x0100;
  uint16_t usagePage = 0x0001;
  uint16_t usage = 0x0002;
};

struct SimConfig {
  SimModel model = SimModel::Pelmira;
  uint16_t vendorId = 0x1130;
  uint16_t versionNumber = 0x4457;
  int inputReportLength = 65;  // report id byte included
  int outputReportLength = 65;
  int featureReportLength = 9;
  bool dataCollectionFirst = false;  // enumerate the data collection before the command one
  std::vector<SimForeignDevice> foreignDevices;

  SimLayout layout = SimLayout::Single16;
  // The chip's scan rate: the adapter sends a frame at this rate whether or not
  // the host reads. 0: a frame whenever the host reads and nothing is queued
  // (tests, benchmarks).
  double framesPerSecond = 100.0;
  // How fast a flash dump streams while framesPerSecond is above 0.
  double dumpFramesPerSecond = 1000.0;
  // Input reports the host's side queues (64 under Linux hidraw, 32 by default
  // on Windows). Stream frames that find it full are dropped (the newest
  // lost); replies wait for room.
  int inputQueueDepth = 64;
  uint32_t seed = 1;
  // A scripted touch chip (sim/SimScenario.h) instead of the random one.
  std::shared_ptr<const SimScenario> scenario;
  SimValueEncoding valueEncoding = SimValueEncoding::TwosComplement;
  // Added to every raw count, so that counts can lie anywhere in the 16-bit
  // range (a shift of about -800 makes them straddle zero).
  int countShift = 0;
  // A Pelmira streams single-byte values after a start whose value byte is 0
  // and double-byte values after 1, instead of keeping `layout`.
  bool widthFromStartValue = false;

  uint8_t flashSizeCode = 0x40;  // 0x20, 0x40, 0x80, or anything else for an odd reply
  int eraseMs = 2000;            // how long the adapter reports busy after an erase
  int readTimeoutMs = -1;        // cap on a blocked read; -1 honours the caller's time-out
  int replyDelayMs = 0;  // how long the adapter takes to answer; frames due meanwhile go first

  SimReplayEnd replayEnd = SimReplayEnd::Silent;
  // A Pelmira answers the Corvex status request 0xD7 (its replay-finished byte
  // is how a host learns that a replay ended).
  bool pelmiraAnswersReadStatus = true;
  SimRechargeUnit rechargeUnit = SimRechargeUnit::Bytes;
  // A recharge address sent while streaming switches to the replay at once;
  // false: the replay starts with the next start command.
  bool rechargeSwitchesRunningStream = true;
  // Headers only at byte 0 of a report, and only whole reports accepted; by
  // default a header is found anywhere in the command stream and a short
  // report is padded.
  bool strictHeaders = false;

  bool recordReports = true;  // false: Reports() stays empty (benchmarks); the observer still runs
  size_t recordLimit = 1000000;  // the record keeps only the latest this many reports
};

// One command header as the adapter decoded it, in arrival order.
struct SimCommand {
  uint8_t opcode = 0;
  uint32_t argument = 0;    // the 24-bit argument, or B (data-phase length) of a long header
  bool longHeader = false;  // arrived in the 64-byte form with the opcode in byte 15
  bool known = false;       // false: not an opcode of this model; recorded and ignored
};

// Global sensing parameters as last received through opcode 0xF4 (buffer 0).
struct SimParameters {
  bool received = false;
  uint8_t chTimer = 0;
  uint8_t times = 0;
  uint8_t maxHoldKeyTime = 0;
  uint8_t debounceOrThreshold = 0;
  uint8_t noComposeKey = 0;
};

// Faults applied to streamed frames; each counts down per delivered frame.
enum class SimFrameFault {
  AllFF,            // the frame is 64 bytes of 0xFF
  ZeroBytes3To6,    // bytes 3..6 are zero
  ZeroChannelByte,  // byte 2 is zero
  AllZero,          // an empty frame
};

class SimulatedAdapter : public HidBackend {
 public:
  explicit SimulatedAdapter(SimConfig config = {});
  ~SimulatedAdapter() override;

  std::vector<HidDeviceInfo> Enumerate() override;
  std::unique_ptr<HidDevice> Open(const HidDeviceInfo& info) override;

  const SimConfig& config() const { return config_; }

  // Paths of the two collections as enumerated.
  std::string CommandPath() const;
  std::string DataPath() const;

  // --- Faults ---------------------------------------------------------------
  // Unplug: every transfer on every open handle fails at once and enumeration no
  // longer lists the adapter. Replug lists it again; handles opened before the
  // unplug stay dead, a new open works. Either way the adapter powers up afresh:
  // streams, queued replies, thresholds, parameters and the recharge address are
  // reset; the flash keeps its contents.
  void Unplug();
  void Replug();
  bool IsPlugged() const;
  void InjectFrameFault(SimFrameFault fault, int frames);
  void SetLayout(SimLayout layout);
  // The next `count` host writes (output or feature) are taken short: the device
  // accepts fewer bytes than the report holds.
  void InjectShortWrites(int count);
  // After `reports` more successful transfers (either direction), every further
  // transfer fails until the next Replug or ClearTransferFault.
  void FailTransfersAfter(int reports);
  void ClearTransferFault();
  // The next flash programming that covers byte `offset` leaves that byte with
  // bit 0 flipped (a weak cell), so a verify after the write fails.
  void InjectFlashProgramFault(size_t offset);

  // --- Observation ----------------------------------------------------------
  std::vector<SimReport> Reports() const;
  void ClearReports();
  // Called for every report as it crosses (with the adapter's lock released);
  // used by --trace. Install before use. Calls come one at a time in record
  // order; the observer may query the adapter but must not transfer through it.
  void SetReportObserver(std::function<void(const SimReport&)> observer);

  // Every observer below may be called from any thread.
  bool IsStreaming() const;
  // Also settles a pending 0xF4 data phase: exactly 64 bytes received and no
  // further command yet counts as a parameter block.
  SimParameters Parameters() const;
  // Per-channel key thresholds (default 60), in key-value units of every layout.
  std::array<uint8_t, 16> Thresholds() const;
  uint32_t RechargeAddress() const;
  bool ReplayFinished() const;
  bool IsBusy() const;
  uint64_t FramesDelivered() const;
  // Returns the latest command headers (at most 10,000), oldest first.
  std::vector<SimCommand> Commands() const;
  // Returns byte 4 of the last 0xF3 start (1: the host last saw double-byte frames).
  uint8_t LastStartValue() const;
  // Returns the layout frames are built in now (SetLayout changes it).
  SimLayout Layout() const;
  // Returns how many bytes of flash writes were dropped because an erase was running.
  uint64_t BytesDroppedWhileBusy() const;
  // Returns the input reports waiting for the host now.
  size_t QueuedReports() const;
  // Returns how many stream frames were lost because the host's queue was full.
  uint64_t FramesDropped() const;

  // --- Flash ----------------------------------------------------------------
  size_t FlashSize() const;                                         // bytes, from the size code
  std::vector<uint8_t> Flash() const;                               // a copy
  void SetFlash(size_t offset, const std::vector<uint8_t>& bytes);  // plain store, no erase needed
  // Fills the flash from its start with `frames` recorded frames of the current
  // layout (as the adapter's own recording mode would), the rest left blank.
  void RecordFramesToFlash(int frames);

 private:
  class Device;
  struct State;

  SimConfig config_;
  std::shared_ptr<State> state_;
};

}  // namespace padscope
