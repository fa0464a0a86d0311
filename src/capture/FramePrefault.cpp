#include "capture/FramePrefault.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

#include "capture/CaptureContext.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace padscope {

namespace {

// Fewer fresh slots than this are not worth a thread.
constexpr int kMinFrames = 1 << 14;
// Made present a huge page at a time, and never the chunk the writer is in.
constexpr uintptr_t kChunk = uintptr_t{2} << 20;

std::atomic<bool> enabled{true};
std::atomic<bool> threadStartFails{false};

}  // namespace

FramePrefault::FramePrefault(const CaptureContext& ctx, int frames) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  const int from = ctx.WriteIndex();
  const int to = static_cast<int>(std::min<int64_t>(int64_t{from} + frames, ctx.frameCapacity));
  const SampleFrame* base = ctx.FrameAt(0);
  if (base == nullptr || to - from < kMinFrames || !enabled.load(std::memory_order_relaxed)) {
    return;
  }
  try {
    if (threadStartFails.load(std::memory_order_relaxed)) {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
    thread_ = std::thread([this, &ctx, base, to] { Run(ctx, base, to); });
  } catch (const std::system_error&) {
    // Only an optimisation: the writer faults its pages in alone.
  }
#else
  (void)ctx;
  (void)frames;
#endif
}

void FramePrefault::Run(const CaptureContext& ctx, const SampleFrame* base, int to) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  uintptr_t top = reinterpret_cast<uintptr_t>(base + to);
  while (!stop_.load(std::memory_order_relaxed)) {
    const uintptr_t writer = reinterpret_cast<uintptr_t>(base + ctx.WriteIndex()) + kChunk;
    const uintptr_t bottom = std::max((top - 1) & ~(kChunk - 1), (writer + page - 1) & ~(page - 1));
    // A kernel without the request (before 5.14) refuses it: then the
    // writer faults its pages in alone, as it would anyway.
    if (bottom >= top ||
        madvise(reinterpret_cast<void*>(bottom), top - bottom, MADV_POPULATE_WRITE) != 0) {
      return;
    }
    top = bottom;
  }
#else
  (void)ctx;
  (void)base;
  (void)to;
#endif
}

void FramePrefault::SetEnabled(bool on) {
  enabled.store(on, std::memory_order_relaxed);
}

void FramePrefault::SetThreadStartFailsForTest(bool fails) {
  threadStartFails.store(fails, std::memory_order_relaxed);
}

FramePrefault::~FramePrefault() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) {
    thread_.join();
  }
}

}  // namespace padscope
