#include "capture/CaptureThread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "capture/CaptureContext.h"
#include "capture/CaptureControl.h"
#include "capture/CaptureHost.h"
#include "capture/WriteLog.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"
#include "platform/MessageLog.h"
#include "platform/Tick.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

constexpr const char* kThreadTag = "数据子线程";
constexpr int kFailedReadSleepMs = 2;
// All-0xFF frames in a row that end a replay: the adapter feeds the blank
// flash after the recording.
constexpr int kReplayEndBlankFrames = 3;

void Sleep(int ms) {
  if (ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

// The capture thread shares these settings with the UI thread without a lock;
// atomic_ref keeps each access whole.
template <typename T>
T Load(T& field) {
  return std::atomic_ref<T>(field).load(std::memory_order_relaxed);
}
template <typename T>
void Store(T& field, T value) {
  std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

class CaptureLoop {
 public:
  CaptureLoop(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host)
      : ctx_(ctx), adapter_(adapter), host_(host), settings_(GlobalSettings::Instance()) {}

  void Run() {
    StartUp();
    while (!ctx_.stopRequest) {
      Cycle();
    }
    ctx_.threadFinished = true;
    Log(" Capture Data Thread  Stop");
  }

 private:
  void Log(const char* text) {
    if (host_.logEnabled) {
      WriteLog(kThreadTag, "%s", text);
    }
  }

  void StartUp() {
    if (!ConnectAndStartStream()) {
      host_.ShowMessage("NO device.");
    }
    ctx_.threadFinished = false;
    periodMs_ =
        SamplingPeriodMs(Load(settings_.samplingTimes), Load(settings_.samplingElapseTenths));
    nextDue_ = Clock::now();
    nextTick_ = TickMs() + periodMs_;
    lastFrameAt_ = Clock::now();
  }

  // Connects and tells the adapter to stream, both under the stream-command
  // lock: a Stop that came first has already sent its stop command, and a
  // start now would leave the adapter streaming with nobody reading; and Stop
  // reads the model flags under that lock, which a Connect running meanwhile
  // would show it cleared. False when no adapter was connected.
  bool ConnectAndStartStream() {
    std::lock_guard lock(ctx_.streamCommandLock);
    if (ctx_.stopRequest) {
      return true;
    }
    const bool connected = adapter_.Connect(&host_);
    if (adapter_.isPelmira) {
      adapter_.SendOpcodeWithByte(kOpStartStreamP, host_.doubleByteShown);
      Log(" Connect Pelmira : WriteCmd");
    }
    if (adapter_.isCorvex) {
      adapter_.StartStream();
      Log(" Connect Corvex: SendcmdReadIIC");
    }
    return connected;
  }

  // Whether a report is due now. Both modes keep their own schedule; the
  // millisecond mode reads on it too, so capture goes on in either mode.
  bool Due() {
    if (ctx_.runState != kRunRunning) {
      return false;
    }
    if (Load(settings_.highPrecisionSampling) != 0) {
      const auto now = Clock::now();
      if (now < nextDue_) {
        return false;
      }
      nextDue_ = now + std::chrono::milliseconds(periodMs_);
      return true;
    }
    const uint32_t now = TickMs();
    if (static_cast<int32_t>(now - nextTick_) < 0) {
      return false;
    }
    nextTick_ = now + periodMs_;
    return true;
  }

  void Cycle() {
    if (!Due()) {
      Sleep(ctx_.cycleSleepMs);
      return;
    }
    if (!adapter_.IsConnected()) {
      ctx_.lastSampleTime = TickMs();
      Sleep(ctx_.cycleSleepMs);
      return;
    }
    if (!ctx_.HasFrames() && !ctx_.AllocateFrames(Load(settings_.bufferFrames))) {
      host_.ShowMessage("Memory allocate failed.");
      Sleep(ctx_.cycleSleepMs);  // a message sink that does not block must not spin
      return;
    }
    const int index = ctx_.WriteIndex();
    if (const int limit = ctx_.frameLimit; limit > 0 && index >= limit) {
      Sleep(std::max(1, ctx_.cycleSleepMs.load()));
      return;
    }
    SampleFrame* frame = ctx_.FrameForWrite(index);
    if (frame == nullptr) {
      return;
    }
    switch (adapter_.ReadStreamFrame(frame->raw, kRawBytes)) {
      case HidAdapter::StreamRead::Ok:
        break;
      case HidAdapter::StreamRead::TimedOut:
        // The stream pauses (a slow scan rate): nothing failed. The read stays
        // due, so the next cycle, after the stop test, waits for it again.
        nextDue_ = Clock::now();
        nextTick_ = TickMs();
        SilentStream();
        return;
      case HidAdapter::StreamRead::Failed:
        FailedRead();
        return;
    }
    if (BlankReplayFrame(*frame)) {
      return;
    }
    if (!Accept(index, *frame)) {
      return;
    }
    ctx_.CommitFrame(index);
    if (index + 1 >= ctx_.frameCapacity) {
      ctx_.CompactFrames();
    }
    ctx_.lastSampleTime = TickMs();
    Sleep(ctx_.cycleSleepMs);
  }

  // Decodes a received frame and updates the statistics. False when the slot
  // is to be reused by the next report.
  bool Accept(int index, SampleFrame& frame) {
    uint8_t* raw = frame.raw;
    if (raw[2] == 0) {
      return false;
    }
    if (raw[3] == 0 && raw[4] == 0 && raw[5] == 0 && raw[6] == 0) {
      const SampleFrame* previous = ctx_.FrameAt(index - 1);
      for (int i = 3; i <= 6; ++i) {
        raw[i] = previous != nullptr ? previous->raw[i] : 0;
      }
    }
    ReportValueWidth(raw[2]);

    const int result = ctx_.DecodeFrame(Load(settings_.singleByteMode));
    if (result == -1) {
      return false;
    }
    if (result >= 1 && result <= 3) {
      lastFrameLayout = result;
    }
    const bool decoded = result == 2 || result == 3;
    if (result != ctx_.frameLayout) {
      ctx_.frameLayout = result;
      // A running measurement keeps its button: its second press finishes it.
      if (decoded && !ctx_.autoBalance) {
        host_.HideAutoBalanceButton();
      }
    }
    UpdateStatistics(frame, decoded && index != 0);
    return true;
  }

  void ReportValueWidth(uint8_t channelByte) {
    if (host_.layoutReportCount >= kMaxValueWidthReports) {
      return;
    }
    ++host_.layoutReportCount;
    const bool doubleByte = (channelByte & 0x80) != 0;
    Store(settings_.singleByteMode, doubleByte ? 0 : 1);
    host_.doubleByteShown = doubleByte ? 1 : 0;
    host_.ReportValueWidth(doubleByte ? kValueWidthDouble : kValueWidthSingle);
  }

  // `hasValues`: the frame was decoded and is not the buffer's first, whose
  // values are blanked; only such frames may widen an Auto Balance span.
  void UpdateStatistics(const SampleFrame& frame, bool hasValues) {
    const int channels = ctx_.ChannelsInFrame();
    const bool doubleByte = Load(settings_.singleByteMode) == 0;
    const bool balance = hasValues && ctx_.autoBalance;
    for (int i = 0; i < channels; ++i) {
      ChannelConfig& ch = settings_.channel[i];
      if (!IsChannelEnabled(ch)) {
        continue;
      }
      if (doubleByte) {
        const int32_t second = frame.secondValue[i] - kValueOffset;
        if (second > Load(ch.secondMax)) {
          Store(ch.secondMax, second);
        }
      }
      if (balance) {
        const int32_t v = frame.rawValue[i];
        const int32_t min = Load(ch.rawMin);
        const int32_t max = Load(ch.rawMax);
        // Both bounds are checked: the first value of a measurement sets both.
        if (v < min) {
          AddMessageLog("CH %d min %d -> %d", i, min, v);
          Store(ch.rawMin, v);
        }
        if (v > max) {
          AddMessageLog("CH %d max %d -> %d", i, max, v);
          Store(ch.rawMax, v);
        }
      }
    }
  }

  // The adapter has finished replaying recorded data: capture ends as if
  // Stop had been pressed.
  void EndReplay() {
    Log(" 回灌结束");
    adapter_.ReplayEnded();
    StopCaptureWithoutWait(ctx_, adapter_, host_);
  }

  // Asks whether a replay has ended. An adapter that gave no answer is not
  // asked again for a while: each unanswered request holds the command lock
  // for a time-out, and the window's commands wait for that lock.
  enum class ReplayStatus { Finished, Running, NoAnswer, NotAsked };
  ReplayStatus AskReplayStatus() {
    const auto now = Clock::now();
    if (now < nextStatusAt_) {
      return ReplayStatus::NotAsked;
    }
    uint8_t status[kStatusLength] = {};
    if (!adapter_.ReadReplayStatus(status, kStatusLength)) {
      nextStatusAt_ = now + std::chrono::milliseconds(ctx_.replaySilenceMs.load());
      return ReplayStatus::NoAnswer;
    }
    return status[kStatusReplayFinishedByte] == 1 ? ReplayStatus::Finished : ReplayStatus::Running;
  }

  // A read failed with a transfer error: the adapter may have ended a replay
  // that way.
  void FailedRead() {
    if (AskReplayStatus() == ReplayStatus::Finished) {
      EndReplay();
    }
    Sleep(kFailedReadSleepMs);
  }

  // No frame within the stream time-out. A replay that has run out most
  // likely just falls silent: once a stream that may be a replay has been
  // silent for replaySilenceMs, the adapter is asked once; it ends the replay
  // by saying so, or by giving no answer.
  void SilentStream() {
    if (!adapter_.ReplayMayRun() || silenceAsked_ ||
        Clock::now() - lastFrameAt_ < std::chrono::milliseconds(ctx_.replaySilenceMs.load())) {
      return;
    }
    const ReplayStatus status = AskReplayStatus();
    if (status == ReplayStatus::NotAsked) {
      return;
    }
    silenceAsked_ = true;
    if (status != ReplayStatus::Running) {
      EndReplay();
    }
  }

  // While a replay may run, all-0xFF frames are the blank flash after the
  // recording: they are not kept, and a few in a row end the replay without
  // a question to the adapter. True when the frame is not to be kept.
  bool BlankReplayFrame(const SampleFrame& frame) {
    lastFrameAt_ = Clock::now();
    silenceAsked_ = false;
    const bool blank =
        std::all_of(frame.raw, frame.raw + kRawBytes, [](uint8_t b) { return b == 0xFF; });
    if (!blank || !adapter_.ReplayMayRun()) {
      blankFrames_ = 0;
      return false;
    }
    if (++blankFrames_ >= kReplayEndBlankFrames) {
      EndReplay();
    }
    return true;
  }

  using Clock = std::chrono::steady_clock;

  CaptureContext& ctx_;
  HidAdapter& adapter_;
  CaptureHost& host_;
  GlobalSettings& settings_;
  uint32_t periodMs_ = 0;
  Clock::time_point nextDue_;
  uint32_t nextTick_ = 0;
  Clock::time_point lastFrameAt_;   // when the last report arrived (or capture started)
  Clock::time_point nextStatusAt_;  // no status request before this
  bool silenceAsked_ = false;       // the adapter was asked during this silence
  int blankFrames_ = 0;             // all-0xFF frames in a row while a replay may run
};

}  // namespace

uint32_t SamplingPeriodMs(int samplingTimes, int samplingElapseTenths) {
  // Whole milliseconds of Times x tenths / 10, exactly: single precision would
  // lose milliseconds on long periods. Negative values from a damaged settings
  // file give no period; the longest (65535 x 6553.5 ms) fits easily.
  if (samplingTimes <= 0 || samplingElapseTenths <= 0) {
    return 0;
  }
  const int64_t period = int64_t{samplingTimes} * samplingElapseTenths / 10;
  return static_cast<uint32_t>(std::min<int64_t>(period, kMaxSamplingPeriodMs));
}

void CaptureThreadMain(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host) {
  CaptureLoop(ctx, adapter, host).Run();
}

}  // namespace padscope
