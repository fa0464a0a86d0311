// The input side of the simulated firmware: command replies and stream frames,
// cut into input reports.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "link/Opcodes.h"
#include "sim/SimFirmware.h"

namespace padscope {

SimFirmware::Poll SimFirmware::NextPayload(Clock::time_point now, size_t payloadLength,
                                           std::vector<uint8_t>& payload, Clock::time_point& due) {
  if (!inFlight_) {
    if (!replies_.empty()) {
      inFlight_ = std::move(replies_.front());
      replies_.pop_front();
    } else if (mode_ != StreamMode::Off) {
      SimFrame frame;
      const Poll p = NextFrame(now, frame, due);
      if (p != Poll::Ready) {
        return p;
      }
      Outbound m;
      m.bytes.assign(frame.begin(), frame.end());
      m.length = m.bytes.size();
      inFlight_ = std::move(m);
    } else {
      return Poll::Idle;
    }
  }

  Outbound& m = *inFlight_;
  payload.assign(payloadLength, 0);
  const size_t chunk = static_cast<size_t>(std::min<uint64_t>(payloadLength, m.length - m.sent));
  const size_t stored =
      m.sent < m.bytes.size() ? std::min(chunk, static_cast<size_t>(m.bytes.size() - m.sent)) : 0;
  if (stored > 0) {
    std::memcpy(payload.data(), m.bytes.data() + m.sent, stored);
  }
  std::memset(payload.data() + stored, 0xFF, chunk - stored);
  m.sent += chunk;
  if (m.sent >= m.length) {
    inFlight_.reset();
  }
  return Poll::Ready;
}

SimFirmware::Poll SimFirmware::NextFrame(Clock::time_point now, SimFrame& frame,
                                         Clock::time_point& due) {
  Poll p = Poll::Ready;
  switch (mode_) {
    case StreamMode::Live:
      p = NextLiveFrame(now, frame, due);
      break;
    case StreamMode::Replay:
      p = NextReplayFrame(now, frame, due);
      break;
    case StreamMode::Dump:
      // A dump goes as fast as the host reads; past the end it is blank frames.
      flash_.Read(dumpOffset_, frame.data(), frame.size());
      dumpOffset_ += kStreamPayloadLength;
      break;
    case StreamMode::Off:
      return Poll::Idle;
  }
  if (p == Poll::Ready) {
    DamageFrame(frame);
    ++framesDelivered_;
  }
  return p;
}

SimFirmware::Poll SimFirmware::NextLiveFrame(Clock::time_point now, SimFrame& frame,
                                             Clock::time_point& due) {
  uint64_t index = nextLiveFrame_;
  if (config_.framesPerSecond > 0) {
    // The chip scans on its own clock; a slow reader gets the newest frame and
    // the ones in between are lost, as on the real link.
    const double elapsed = std::chrono::duration<double>(now - epoch_).count();
    const auto current = static_cast<uint64_t>(std::floor(elapsed * config_.framesPerSecond));
    if (current >= nextLiveFrame_) {
      index = current;
    } else {
      due = epoch_ + std::chrono::ceil<Clock::duration>(std::chrono::duration<double>(
                         static_cast<double>(nextLiveFrame_) / config_.framesPerSecond));
      if (due > now) {
        return Poll::Later;
      }
      // Rounding put the due time in the past: the frame is ready.
    }
  }
  nextLiveFrame_ = index + 1;
  frame = EncodeFrame(model_, index, layout_, thresholds_);
  return Poll::Ready;
}

SimFirmware::Poll SimFirmware::NextReplayFrame(Clock::time_point now, SimFrame& frame,
                                               Clock::time_point& due) {
  if (config_.framesPerSecond > 0 && now < replayDue_) {
    due = replayDue_;
    return Poll::Later;
  }
  if (replayOffset_ + kStreamPayloadLength > flash_.Size() ||
      flash_.IsBlank(replayOffset_, kStreamPayloadLength)) {
    // The recording ends at the first blank frame or the end of flash. The
    // adapter ends the stream with a failed transfer, which is what tells the
    // host to ask for the status; a pause in the stream is only a time-out.
    replayFinished_ = true;
    replayArmed_ = false;
    mode_ = StreamMode::Off;
    return Poll::Ended;
  }
  flash_.Read(replayOffset_, frame.data(), frame.size());
  replayOffset_ += kStreamPayloadLength;
  if (config_.framesPerSecond > 0) {
    // Recorded frames are fed at the scan rate but none is skipped.
    replayDue_ = now + std::chrono::ceil<Clock::duration>(
                           std::chrono::duration<double>(1.0 / config_.framesPerSecond));
  }
  return Poll::Ready;
}

void SimFirmware::InjectFrameFault(SimFrameFault fault, int frames) {
  if (frames > 0) {
    frameFaults_.push_back({fault, frames});
  }
}

void SimFirmware::DamageFrame(SimFrame& frame) {
  if (frameFaults_.empty()) {
    return;
  }
  PendingFault& f = frameFaults_.front();
  ApplyFrameFault(frame, f.fault);
  if (--f.frames == 0) {
    frameFaults_.pop_front();
  }
}

}  // namespace padscope
