#include "files/ChartFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "capture/CaptureContext.h"
#include "capture/FramePrefault.h"
#include "platform/FileBytes.h"
#include "platform/Tick.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

constexpr uint32_t kReplayFrameSpacingMs = 20;
constexpr int kDispatchEvery = 8;
constexpr size_t kRecordsPerChunk = 4096;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool WriteChartRecords(std::FILE* out, const CaptureContext& ctx, int from, int to) {
  const int last = std::min(to, ctx.WriteIndex() - 1);
  std::vector<uint8_t> chunk;
  chunk.reserve(kRecordsPerChunk * kChartRecordBytes);
  for (int i = std::max(from, 0); i <= last; ++i) {
    const SampleFrame* f = ctx.FrameAt(i);
    if (f == nullptr) {
      break;
    }
    // An all-0xFF frame is an invalid report the capture keeps in the buffer;
    // in a chart it would read as the end record and cut off every frame
    // after it, so it is left out.
    if (std::all_of(f->raw, f->raw + kChartRecordBytes,
                    [](uint8_t b) { return b == kChartEndByte; })) {
      continue;
    }
    chunk.insert(chunk.end(), f->raw, f->raw + kChartRecordBytes);
    if (chunk.size() >= kRecordsPerChunk * kChartRecordBytes) {
      if (std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size()) {
        return false;
      }
      chunk.clear();
    }
  }
  chunk.insert(chunk.end(), kChartRecordBytes, kChartEndByte);
  return std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
}

bool WriteChart(const std::filesystem::path& path, const CaptureContext& ctx, int from, int to) {
  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(path.string().c_str(), "wb"));
  if (!out) {
    return false;
  }
  const bool written = WriteChartRecords(out.get(), ctx, from, to);
  const bool closed = std::fclose(out.release()) == 0;
  if (!written || !closed) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return false;
  }
  return true;
}

ChartBufferStatus PrepareChartBuffer(CaptureContext& ctx, GlobalSettings& settings,
                                     uintmax_t fileSize) {
  const uintmax_t records = fileSize / kChartRecordBytes;
  if (records > static_cast<uintmax_t>(settings.bufferFrames)) {
    // The buffer grows to the record count rounded up to whole KB of frames,
    // so that the size saved at close is one the settings file keeps at the
    // next start (it resets any other size) and the parameter dialog shows
    // exactly. More records than any buffer can hold is reported like a
    // failed reallocation instead of wrapping the count.
    const uintmax_t rounded = (records + 1023) / 1024 * 1024;
    if (rounded > static_cast<uintmax_t>(std::numeric_limits<int32_t>::max())) {
      return ChartBufferStatus::ReallocateFailed;
    }
    settings.bufferFrames = static_cast<int32_t>(rounded);
    if (!ctx.AllocateFrames(settings.bufferFrames)) {
      return ChartBufferStatus::ReallocateFailed;
    }
  }
  if (!ctx.HasFrames() && !ctx.AllocateFrames(settings.bufferFrames)) {
    return ChartBufferStatus::AllocateFailed;
  }
  return ChartBufferStatus::Ready;
}

namespace {

// Stamps frames 20 ms apart from the time the reading began, in constant time
// per record: lastSampleTime - timestamp of frame k is 20 ms times the number
// of frames after k, which is all the views and exports read from stamps. The
// clock of the stamps is the record count, so compaction, which keeps the
// order, keeps them right.
class ReplayClock {
 public:
  explicit ReplayClock(uint32_t start) : start_(start) {}
  uint32_t Stamp(int64_t record) const {
    return start_ + static_cast<uint32_t>(record) * kReplayFrameSpacingMs;
  }

 private:
  uint32_t start_;
};

}  // namespace

ChartReadResult ReadChartRecords(std::FILE* in, CaptureContext& ctx, int singleByteMode,
                                 ChartReadHooks& hooks) {
  ChartReadResult result;
  ctx.candidateLayout = -1;
  ctx.frameLayout = -1;
  ctx.lastSampleTime = 0;
  ctx.liveEndTime = 0;
  ctx.writeIndex.store(0, std::memory_order_release);
  ctx.runState = kRunReplaying;
  ctx.replayStamps = true;

  const ReplayClock clock(TickMs());
  // The records still in the file will fill that many fresh slots.
  const uintmax_t recordsLeft = BytesLeft(in) / kChartRecordBytes;
  const FramePrefault prefault(
      ctx, static_cast<int>(std::min<uintmax_t>(recordsLeft, std::numeric_limits<int>::max())));
  std::vector<uint8_t> chunk(kRecordsPerChunk * kChartRecordBytes);
  size_t available = 0;
  size_t next = 0;
  while (true) {
    if (next == available) {
      available = std::fread(chunk.data(), kChartRecordBytes, kRecordsPerChunk, in);
      next = 0;
      if (available == 0) {
        break;  // end of file; a partial last record is ignored
      }
    }
    const int index = ctx.WriteIndex();
    SampleFrame* frame = ctx.FrameForWrite(index);
    if (frame == nullptr) {
      break;
    }
    std::memcpy(frame->raw, chunk.data() + next * kChartRecordBytes, kChartRecordBytes);
    ++next;
    ++result.recordsRead;
    if (hooks.ShouldStop()) {
      result.stopped = true;
      break;
    }
    if (index % kDispatchEvery == kDispatchEvery - 1) {
      hooks.DispatchEvent();
    }
    const int r = ctx.DecodeFrame(singleByteMode, clock.Stamp(result.accepted));
    if (r == kLayoutInvalid) {
      result.endRecord = true;
      break;
    }
    if (r == -1) {
      continue;
    }
    if (r >= 1 && r <= 3 && lastFrameLayout.load(std::memory_order_relaxed) != r) {
      lastFrameLayout = r;
    }
    if (r != ctx.frameLayout) {
      ctx.frameLayout = r;
      if (r == 2 || r == 3) {
        ctx.channelCount = frame->raw[2];
        hooks.HideAutoBalanceButton();
      }
    }
    // Only this thread writes it; release makes it a plain store.
    ctx.lastSampleTime.store(frame->timestamp, std::memory_order_release);
    ++result.accepted;
    ctx.CommitFrame(index);
    if (index + 1 >= ctx.frameCapacity) {
      ctx.CompactFrames();
    }
  }

  ctx.runState = kRunStopped;
  return result;
}

}  // namespace padscope
