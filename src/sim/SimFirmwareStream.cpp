// The input side of the simulated firmware: stream frames made at the chip's
// own rate and command replies, queued on the host's side as input reports.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "link/Opcodes.h"
#include "sim/SimFirmware.h"

namespace padscope {

double SimFirmware::Pace() const {
  const double rate =
      mode_ == StreamMode::Dump ? config_.dumpFramesPerSecond : config_.framesPerSecond;
  return rate > 0 ? rate : config_.framesPerSecond;
}

void SimFirmware::BeginPacing(Clock::time_point now) {
  // The first frame goes out at once, the next ones at the stream's rate.
  streamStart_ = now;
  streamFrames_ = 0;
}

SimFirmware::Clock::time_point SimFirmware::NextDue() const {
  const std::chrono::duration<double> offset(static_cast<double>(streamFrames_) / Pace());
  return streamStart_ + std::chrono::ceil<Clock::duration>(offset);
}

void SimFirmware::Advance(Clock::time_point now) {
  AdvanceErase(now);
  if (Paced()) {
    // Frames due before a reply is ready go ahead of it.
    const Clock::time_point ready = replies_.empty() ? now : replies_.front().readyAt;
    StreamUntil(std::min(now, ready));
  }
  MoveReplies(now);
  if (Paced()) {
    StreamUntil(now);
  }
}

void SimFirmware::StreamUntil(Clock::time_point now) {
  while (mode_ != StreamMode::Off && NextDue() <= now) {
    if (mode_ != StreamMode::Replay && !RoomForFrame()) {
      // Nothing frees room but a read, which comes here first: every frame due
      // by now is lost, without making each one.
      const double elapsed = std::chrono::duration<double>(now - streamStart_).count();
      const auto due = static_cast<uint64_t>(std::floor(elapsed * Pace())) + 1;
      const uint64_t lost = due > streamFrames_ ? due - streamFrames_ : 1;
      streamFrames_ += lost;
      framesDropped_ += lost;
      if (mode_ == StreamMode::Live) {
        nextLiveFrame_ += lost;
      } else if (mode_ == StreamMode::Dump) {
        dumpOffset_ += lost * kStreamPayloadLength;
      }
      continue;
    }
    // A replay is walked frame by frame even when frames are lost: its end
    // must be found.
    ProduceFrame();
  }
}

bool SimFirmware::RoomForFrame() const {
  // The adapter sends one message at a time: a frame due while a reply is
  // still going out is lost too.
  const bool replying = !replies_.empty() && replies_.front().sent > 0;
  return !replying && queue_.size() + reportsPerFrame_ <= queueDepth_;
}

void SimFirmware::ProduceFrame() {
  SimFrame frame;
  switch (mode_) {
    case StreamMode::Live:
      frame = EncodeFrame(model_, nextLiveFrame_++, layout_, thresholds_, Format());
      break;
    case StreamMode::Replay:
      if (replayOffset_ + kStreamPayloadLength > flash_.Size() ||
          flash_.IsBlank(replayOffset_, kStreamPayloadLength)) {
        EndReplay();
        return;
      }
      flash_.Read(replayOffset_, frame.data(), frame.size());
      replayOffset_ += kStreamPayloadLength;
      break;
    case StreamMode::Dump:
      // Past the end of the flash a dump is blank frames.
      flash_.Read(dumpOffset_, frame.data(), frame.size());
      dumpOffset_ += kStreamPayloadLength;
      break;
    case StreamMode::Blank:
      frame.fill(0xFF);
      break;
    case StreamMode::Off:
      return;
  }
  ++streamFrames_;
  if (!Paced() || RoomForFrame()) {
    DamageFrame(frame);
    PushFrame(frame);
    ++framesDelivered_;
  } else {
    ++framesDropped_;
  }
}

void SimFirmware::EndReplay() {
  // The recording ends at its first blank frame or at the end of the flash.
  replayFinished_ = true;
  replayArmed_ = false;
  switch (config_.replayEnd) {
    case SimReplayEnd::Silent:
      mode_ = StreamMode::Off;
      break;
    case SimReplayEnd::BlankFrames:
      // The adapter goes on feeding the blank flash after the recording.
      mode_ = StreamMode::Blank;
      break;
    case SimReplayEnd::FailedRead:
      // A transfer error is no report: it reaches the host after what is queued.
      mode_ = StreamMode::Off;
      queue_.push_back({{}, true});
      break;
  }
}

void SimFirmware::PushFrame(const SimFrame& frame) {
  for (size_t at = 0; at < frame.size(); at += payloadLength_) {
    InputReport r;
    r.payload.assign(payloadLength_, 0);
    std::memcpy(r.payload.data(), frame.data() + at, std::min(payloadLength_, frame.size() - at));
    queue_.push_back(std::move(r));
  }
}

void SimFirmware::MoveReplies(Clock::time_point now) {
  while (!replies_.empty() && replies_.front().readyAt <= now && queue_.size() < queueDepth_) {
    Outbound& m = replies_.front();
    InputReport r;
    r.payload.assign(payloadLength_, 0);
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(payloadLength_, m.length - m.sent));
    const size_t stored =
        m.sent < m.bytes.size() ? std::min(chunk, static_cast<size_t>(m.bytes.size() - m.sent)) : 0;
    if (stored > 0) {
      std::memcpy(r.payload.data(), m.bytes.data() + m.sent, stored);
    }
    std::memset(r.payload.data() + stored, 0xFF, chunk - stored);
    m.sent += chunk;
    queue_.push_back(std::move(r));
    if (m.sent >= m.length) {
      replies_.pop_front();
    }
  }
}

bool SimFirmware::TakeInput(Clock::time_point now, InputReport& out, Clock::time_point& due) {
  Advance(now);
  // Without a rate, the stream makes a frame whenever the host wants one (a
  // second try when the first found the end of a replay).
  for (int i = 0; i < 2 && queue_.empty() && !Paced(); ++i) {
    ProduceFrame();
  }
  if (!queue_.empty()) {
    out = std::move(queue_.front());
    queue_.pop_front();
    MoveReplies(now);
    return true;
  }
  due = Paced() && mode_ != StreamMode::Off ? NextDue() : Clock::time_point::max();
  if (!replies_.empty()) {
    due = std::min(due, replies_.front().readyAt);
  }
  return false;
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
