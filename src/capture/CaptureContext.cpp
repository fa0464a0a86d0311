#include "capture/CaptureContext.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace padscope {

std::atomic<int> lastFrameLayout{-1};

namespace {

// Below this many bytes zeroing by hand is cheaper than returning pages.
constexpr size_t kReleaseThreshold = size_t{1} << 20;

// Zeroes [begin, end). Large ranges give their whole pages back to the system
// instead of writing them, so a reset never makes the buffer resident.
void ZeroBytes(uint8_t* begin, uint8_t* end) {
#if defined(__linux__)
  const size_t size = static_cast<size_t>(end - begin);
  if (size >= kReleaseThreshold) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (reinterpret_cast<uintptr_t>(begin) + page - 1) & ~(page - 1);
    const uintptr_t last = reinterpret_cast<uintptr_t>(end) & ~(page - 1);
    if (last > first && madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) == 0) {
      std::memset(begin, 0, first - reinterpret_cast<uintptr_t>(begin));
      std::memset(reinterpret_cast<uint8_t*>(last), 0, reinterpret_cast<uintptr_t>(end) - last);
      return;
    }
  }
#endif
  std::memset(begin, 0, static_cast<size_t>(end - begin));
}

// Asks for transparent huge pages on a large buffer: filling it then takes one
// page fault per 2 MB instead of per 4 KB, which dominates loading a chart.
void AdviseHugePages(void* block, size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (size < kReleaseThreshold) {
    return;
  }
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t first = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
  const uintptr_t last = (reinterpret_cast<uintptr_t>(block) + size) & ~(page - 1);
  if (last > first) {
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
#else
  (void)block;
  (void)size;
#endif
}

}  // namespace

CaptureContext::CaptureContext() {
  ResetLastPoints();
}

CaptureContext::~CaptureContext() {
  if (captureThread.joinable()) {
    stopRequest = true;
    captureThread.join();
  }
}

bool CaptureContext::AllocateFrames(int n) {
  // Emptied first, so that a failed allocation leaves no frame counted.
  writeIndex.store(0, std::memory_order_release);
  BeginNewContents();
  frames_.reset();
  for (auto& level : summaries_) {
    level.reset();
  }
  summaryBlocks_.fill(0);
  summarized_.store(0, std::memory_order_release);
  touchedFrames_ = 0;
  if (n < 1 || static_cast<size_t>(n) > std::numeric_limits<size_t>::max() / sizeof(SampleFrame)) {
    return false;
  }
  // calloc hands out zero pages that become resident only when written.
  frames_.reset(
      static_cast<SampleFrame*>(std::calloc(static_cast<size_t>(n), sizeof(SampleFrame))));
  if (!frames_ || !AllocateSummaries(n)) {
    frames_.reset();
    return false;
  }
  AdviseHugePages(frames_.get(), static_cast<size_t>(n) * sizeof(SampleFrame));
  // The summaries of the smallest blocks fill with the frames (7 MB for the
  // default buffer): the same few faults per 2 MB.
  AdviseHugePages(summaries_[0].get(),
                  static_cast<size_t>(summaryBlocks_[0]) * sizeof(FrameBlockSummary));
  writeIndex.store(0, std::memory_order_release);
  frameCapacity = n;
  ResetFrames();
  return true;
}

void CaptureContext::ZeroFrames(int from, int to) {
  if (!frames_ || from >= to) {
    return;
  }
  auto* base = reinterpret_cast<uint8_t*>(frames_.get());
  ZeroBytes(base + static_cast<size_t>(from) * sizeof(SampleFrame),
            base + static_cast<size_t>(to) * sizeof(SampleFrame));
}

void CaptureContext::ResetFrames() {
  if (!frames_) {
    return;
  }
  writeIndex.store(0, std::memory_order_release);
  summarized_.store(0, std::memory_order_release);
  BeginNewContents();
  replayStamps = false;
  lastSampleTime = 0;
  liveEndTime = 0;
  displayShift = 0;
  ZeroFrames(0, std::min(touchedFrames_.load(), frameCapacity.load()));
  touchedFrames_ = 0;
}

void CaptureContext::BeginNewContents() {
  compactedFrames.store(0, std::memory_order_relaxed);
  generation.fetch_add(1, std::memory_order_release);
}

void CaptureContext::ResetLastPoints() {
  for (auto& group : lastPoint) {
    group.fill(PlotPoint{});
  }
}

void CaptureContext::CompactFrames() {
  if (!frames_) {
    return;
  }
  const std::unique_lock readers(compaction_);
  const int half = frameCapacity / 2;
  SampleFrame* f = frames_.get();
  std::memmove(f, f + half, static_cast<size_t>(half) * sizeof(SampleFrame));
  ZeroFrames(half, 2 * half);
  if (touchedFrames_ <= 2 * half) {
    touchedFrames_ = half;  // an odd capacity's last slot stays where it was
  }
  compactedFrames.fetch_add(half, std::memory_order_relaxed);
  RebuildSummaries(half);
  writeIndex.store(half, std::memory_order_release);
}

const SampleFrame* CaptureContext::FrameAt(int index) const {
  if (!frames_ || index < 0 || index >= frameCapacity) {
    return nullptr;
  }
  return frames_.get() + index;
}

int CaptureContext::RawByte(int frame, int index) const {
  const SampleFrame* f = FrameAt(frame);
  return f != nullptr && index >= 0 && index < kRawBytes ? f->raw[index] : 0;
}

int32_t CaptureContext::RawValue(int frame, int channel) const {
  const SampleFrame* f = FrameAt(frame);
  return f != nullptr && channel >= 0 && channel < kFrameChannels ? f->rawValue[channel] : 0;
}

int32_t CaptureContext::SecondValue(int frame, int channel) const {
  const SampleFrame* f = FrameAt(frame);
  return f != nullptr && channel >= 0 && channel < kFrameChannels ? f->secondValue[channel] : 0;
}

void CaptureContext::SetRawValue(int frame, int channel, int32_t value) {
  SampleFrame* f = FrameForWrite(frame);
  if (f != nullptr && channel >= 0 && channel < kFrameChannels) {
    f->rawValue[channel] = static_cast<uint16_t>(value);
  }
}

void CaptureContext::SetSecondValue(int frame, int channel, int32_t value) {
  SampleFrame* f = FrameForWrite(frame);
  if (f != nullptr && channel >= 0 && channel < kFrameChannels) {
    f->secondValue[channel] = static_cast<uint16_t>(value);
  }
}

void CaptureContext::SetKeyAux(int frame, int channel) {
  if (frames_ && frame >= 0 && frame < frameCapacity) {
    frames_.get()[frame].SetKeyAux(channel, true);
  }
}

int CaptureContext::ChannelsInFrame() const {
  return std::clamp(channelCount.load(std::memory_order_relaxed), 0, kFrameChannels);
}

namespace {
std::unique_ptr<CaptureContext>& ContextSlot() {
  static std::unique_ptr<CaptureContext> context;
  return context;
}
}  // namespace

CaptureContext& theCaptureContext() {
  auto& slot = ContextSlot();
  if (!slot) {
    slot = std::make_unique<CaptureContext>();
  }
  return *slot;
}

void ResetCaptureContext() {
  ContextSlot() = std::make_unique<CaptureContext>();
  lastFrameLayout = -1;
}

}  // namespace padscope
