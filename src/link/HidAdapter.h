#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "link/HidBackend.h"
#include "link/HidInterface.h"

namespace padscope {

// The one adapter object of the process: finds the adapter among the HID
// collections, opens its command and data collections, tells the two models and
// the firmware revision apart, and speaks the adapter's command protocol.
//
// Threads: the UI thread, the capture thread and the flash workers share one
// HidAdapter. Every command holds commandLock from its header to the end of its
// data phase and ReadStream holds it for one read, so a command from another
// thread runs only between two streaming reads. Every operation returns true
// only when all its transfers went through; none shows a message.
class HidAdapter {
 public:
  // The backend (hidapi or the simulated adapter) must outlive the adapter.
  explicit HidAdapter(std::shared_ptr<HidBackend> backend);
  virtual ~HidAdapter();

  HidAdapter(const HidAdapter&) = delete;
  HidAdapter& operator=(const HidAdapter&) = delete;

  // --- Connection -----------------------------------------------------------
  // Enumerates and opens both collections; returns whether the adapter is
  // connected. The owner window is accepted for the callers' sake and unused.
  // Once connected the flag stays set, also after the adapter is unplugged
  // (later transfers on the stale handles fail); a new Connect after replugging
  // opens fresh handles and releases the old ones.
  bool Connect(const void* ownerWindow = nullptr);
  bool IsConnected() const { return connected.load(); }
  // Whether the latest Connect found both collections. Unlike IsConnected it
  // is false again once a Connect after an unplug finds no adapter.
  bool IsPresent() const { return present_.load(); }
  bool IsTwoLineAdapter() const { return twoLineAdapter.load(); }
  bool HasNewerFirmware() const { return newerFirmwareAvailable.load(); }
  std::string FirmwareText() const;
  // Clears the flags and closes both collections. The destructor calls it.
  void Close();
  // The HID devices the adapter is looked for among.
  HidBackend& Backend() { return *backend_; }

  // Opens one collection into `target` (replacing what it held only on
  // success) when the attributes name an adapter and, with fillCaps, the
  // collection's usage matches. Sets the model flags from the attributes as
  // soon as they are read, whatever the usage turns out to be.
  bool OpenInterface(const HidDeviceInfo& info, bool read, bool write, bool overlapped,
                     bool exclusive, bool fillCaps, HidInterface& target, uint16_t usagePage,
                     uint16_t usage);

  // --- Transfer primitives (take no lock; their callers hold commandLock) ---
  // Sends `length` bytes in output reports of caps.outputReportLength bytes
  // (report id 0, then the data, the last report zero-padded). `sent` counts
  // the payload bytes of the reports that went out.
  bool WriteReports(HidInterface& iface, const uint8_t* data, int length, int& sent);
  // Receives `length` bytes from input reports, dropping each report's id byte
  // and never writing past buffer[length - 1].
  bool ReadReports(HidInterface& iface, uint8_t* buffer, int length, int& received);
  // How a streaming read ended.
  enum class StreamRead {
    Ok,
    TimedOut,  // no report within the stream time-out: the stream pauses
    Failed,    // a transfer error, a read cut off part-way, or not connected
  };
  // One streaming read on the data collection under commandLock, waiting at
  // most the stream time-out per report.
  StreamRead ReadStreamFrame(uint8_t* buffer, int length);
  // ReadStreamFrame for callers to whom a pause is as bad as an error.
  bool ReadStream(uint8_t* buffer, int length) {
    return ReadStreamFrame(buffer, length) == StreamRead::Ok;
  }
  // Reads and drops what the data collection holds queued: stream frames the
  // adapter sent while nobody read, the rest of an earlier reply. Every
  // command whose reply is read and every stream start does this first, so
  // that nothing stale is taken for the answer. Takes no lock.
  void DrainInput(HidInterface& iface);

  // --- Commands (see Opcodes.h). `viaFeature` sends a short header as a
  // feature report on the command collection instead of an output report.
  // Corvex family, long header:
  bool StopStream();
  bool StartStream();
  bool WriteData(const uint8_t* data, int length);
  bool ReadData(uint8_t* buffer, int length);
  bool StartFlashDump();
  bool EndFlashDump();
  bool ReadStatus(uint8_t* buffer, int length);
  bool EraseFlash();
  // Pelmira family, short and block headers:
  bool ReadStatusP(uint8_t* buffer, int length, bool viaFeature = false);
  bool StopStreamP(bool viaFeature = false);
  bool SendOpcodeWithByte(uint8_t opcode, uint8_t value, bool viaFeature = false);
  bool WriteBlocks(const uint8_t* data, int length);
  bool ReadBlocks(uint8_t* buffer, int length);
  bool EraseFlashP(bool viaFeature = false);
  bool EndFlashDumpP(bool viaFeature = false);
  // Either model, short header:
  // Also notes that a replay of recorded frames may run from now on.
  bool SetRechargeAddress(uint32_t address, bool viaFeature = false);
  bool SendWithData(uint8_t opcode, const uint8_t* data, int length, bool viaFeature = false);

  // Asks for the status with the long-form request 0xD7 (whatever the model)
  // while a stream may be running: reports that cannot be the reply (byte 2
  // not a flag of 0 or 1, no flash size code in byte 1, or a stream frame's
  // "double" mark) are stream frames and are skipped. `length` is at least
  // kStatusLength. Waits at
  // most the stream time-out per report and gives up after a few frames, so
  // the command lock is never held for long. False when no status came.
  bool ReadReplayStatus(uint8_t* buffer, int length);
  // Whether a recharge address went out since the last replay was seen to
  // end: only then can a silent or blank stream be the end of a replay.
  bool ReplayMayRun() const { return replayMayRun_.load(); }
  void ReplayEnded() { replayMayRun_ = false; }

  // How long one input report may take: in a streaming read, and in the data
  // phase of a command. The adapter answers at once when it answers at all.
  void SetStreamTimeoutMs(int ms) { streamTimeoutMs_ = ms; }
  void SetReplyTimeoutMs(int ms) { replyTimeoutMs_ = ms; }

  // Model flags; at most one is set. Written by Connect, read by any thread.
  std::atomic<bool> isCorvex{false};
  std::atomic<bool> isPelmira{false};

  std::mutex commandLock;
  HidInterface dataInterface;
  HidInterface commandInterface;

  std::atomic<bool> connected{false};
  std::atomic<bool> twoLineAdapter{false};
  std::atomic<bool> newerFirmwareAvailable{false};

 private:
  // A command's data phase: `length` bytes written from `out` or read into `in`.
  struct DataPhase {
    const uint8_t* out = nullptr;
    uint8_t* in = nullptr;
    int length = 0;
    bool startsStream = false;  // the queue is emptied first, as for a reply
  };
  // Sends a header (output report, or a feature report when viaFeature) and the
  // data phase under commandLock.
  bool RunCommand(const uint8_t* header, int headerLength, bool viaFeature, const DataPhase& phase);
  bool SendFeature(const uint8_t* header, int headerLength);
  StreamRead ReadOneReport(HidInterface& iface, int timeoutMs);
  StreamRead ReadReportsTimed(HidInterface& iface, uint8_t* buffer, int length, int& received,
                              int timeoutMs);

  std::shared_ptr<HidBackend> backend_;
  std::mutex connectMutex_;       // one Connect at a time (UI and capture thread both call it)
  mutable std::mutex textMutex_;  // guards firmwareText_
  std::string firmwareText_;
  std::atomic<bool> present_{false};
  std::atomic<bool> replayMayRun_{false};
  int streamTimeoutMs_ = 250;
  int replyTimeoutMs_ = 2000;
};

}  // namespace padscope
