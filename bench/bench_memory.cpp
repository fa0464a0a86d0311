// Resident memory of the frame buffer after 100,000 captured frames and with
// the whole default buffer (1,638,400 frames) filled, against a buffer of
// 388-byte slots (the layout the buffer had before its compact slot) filled
// the same way in the same run. Three rounds; the medians are the figures.
//
//   bench/bench_memory
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "capture/CaptureContext.h"

#include "WideSlot.h"

using namespace padscope;

namespace {

constexpr int kCaptured = 100000;  // about 17 minutes of capture at 100 frames/s

using bench::WideSlot;

// Resident set size in MB, from /proc/self/status (Linux).
double ResidentMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::stod(line.substr(6)) / 1024.0;
    }
  }
  return -1;
}

// A 16-channel single-byte frame whose values change with i.
void MakeRecord(uint8_t* raw, int i) {
  std::memset(raw, 0, 64);
  raw[0] = static_cast<uint8_t>(i);
  raw[2] = 0x10;
  for (int ch = 0; ch < 16; ++ch) {
    const int v = 2000 + ch * 100 + (i * 7 + ch) % 50;
    raw[3 + 2 * ch] = static_cast<uint8_t>(v >> 8);
    raw[4 + 2 * ch] = static_cast<uint8_t>(v);
    raw[35 + ch] = static_cast<uint8_t>((i + ch) % 120);
  }
}

struct Growth {
  double captured = 0;  // MB above the process before the buffer
  double full = 0;
  double reset = 0;  // after the next reset
};

// The wide slots written as the decoder wrote them: every field of a slot.
Growth WideBuffer() {
  const double before = ResidentMb();
  const size_t bytes = size_t{kDefaultFrameCapacity} * sizeof(WideSlot);
  auto* slots = static_cast<WideSlot*>(std::calloc(kDefaultFrameCapacity, sizeof(WideSlot)));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  const uintptr_t page = 4096;
  const uintptr_t first = (reinterpret_cast<uintptr_t>(slots) + page - 1) & ~(page - 1);
  madvise(reinterpret_cast<void*>(first),
          (bytes - (first - reinterpret_cast<uintptr_t>(slots))) & ~(page - 1), MADV_HUGEPAGE);
#endif
  Growth g;
  for (int i = 0; i < kDefaultFrameCapacity; ++i) {
    WideSlot& s = slots[i];
    MakeRecord(s.raw, i);
    for (int ch = 0; ch < 16; ++ch) {
      s.rawValue[ch] = ((s.raw[3 + 2 * ch] << 8) | s.raw[4 + 2 * ch]) ^ 0x8000;
      s.secondValue[ch] = s.raw[35 + ch];
      s.keyState[ch] = s.raw[ch / 8] & (1 << (ch % 8));
    }
    s.timestamp = static_cast<uint32_t>(i);
    if (i + 1 == kCaptured) {
      g.captured = ResidentMb() - before;
    }
  }
  g.full = ResidentMb() - before;
  std::free(slots);
  return g;
}

// The capture buffer filled through the decoder, as capture fills it.
Growth CompactBuffer() {
  const double before = ResidentMb();
  Growth g;
  CaptureContext ctx;
  if (!ctx.AllocateFrames(kDefaultFrameCapacity)) {
    std::printf("allocation failed\n");
    std::exit(1);
  }
  ctx.layoutStreak = 10;
  ctx.candidateLayout = 3;
  for (int i = 0; i < kDefaultFrameCapacity; ++i) {
    MakeRecord(ctx.FrameForWrite(i)->raw, i);
    ctx.DecodeFrame(1, static_cast<uint32_t>(i));
    ctx.CommitFrame(i);
    if (i + 1 == kCaptured) {
      g.captured = ResidentMb() - before;
    }
  }
  g.full = ResidentMb() - before;
  ctx.ResetFrames();
  g.reset = ResidentMb() - before;
  return g;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  std::vector<double> wideCaptured, wideFull, compactCaptured, compactFull;
  for (int round = 0; round < 3; ++round) {
    const Growth w = WideBuffer();
    const Growth c = CompactBuffer();
    std::printf(
        "round %d: %d frames %.1f MB (388-byte slots) / %.1f MB; full %.1f MB / %.1f MB"
        "; after a reset %.1f MB\n",
        round, kCaptured, w.captured, c.captured, w.full, c.full, c.reset);
    wideCaptured.push_back(w.captured);
    wideFull.push_back(w.full);
    compactCaptured.push_back(c.captured);
    compactFull.push_back(c.full);
  }
  std::printf("slot: %zu bytes (388 before); buffer of %d frames, %.1f MB of address space\n",
              sizeof(SampleFrame), kDefaultFrameCapacity,
              kDefaultFrameCapacity * sizeof(SampleFrame) / 1e6);
  const double wc = Median(wideCaptured), cc = Median(compactCaptured);
  const double wf = Median(wideFull), cf = Median(compactFull);
  std::printf("after %d frames:   %7.1f MB, 388-byte slots %7.1f MB, ratio %.3f\n", kCaptured, cc,
              wc, cc / wc);
  std::printf("full buffer:         %7.1f MB, 388-byte slots %7.1f MB, ratio %.3f\n", cf, wf,
              cf / wf);
  return 0;
}
