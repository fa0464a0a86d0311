// Resident memory of the default frame buffer (1,638,400 frames, 635 MB of
// address space) after allocating and resetting it, against the process
// before the allocation; then after a capture-sized write and another reset.
//
//   bench/bench_memory
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "capture/CaptureContext.h"

using namespace padscope;

namespace {

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

}  // namespace

int main() {
  const double before = ResidentMb();
  CaptureContext ctx;
  if (!ctx.AllocateFrames(kDefaultFrameCapacity)) {
    std::printf("allocation failed\n");
    return 1;
  }
  ctx.ResetFrames();
  const double afterReset = ResidentMb();

  const int written = 100000;  // about 17 minutes of capture at 100 frames/s
  for (int i = 0; i < written; ++i) {
    std::memset(ctx.FrameForWrite(i)->raw, 0x5A, 64);
  }
  const double afterWrite = ResidentMb();
  ctx.ResetFrames();
  const double afterSecondReset = ResidentMb();

  std::printf("buffer: %d frames, %.1f MB of address space\n", kDefaultFrameCapacity,
              kDefaultFrameCapacity * sizeof(SampleFrame) / 1e6);
  std::printf("resident before allocation:      %8.1f MB\n", before);
  std::printf("after allocate + reset:          %8.1f MB (+%.1f)\n", afterReset,
              afterReset - before);
  std::printf("after writing %d frames:     %8.1f MB (+%.1f)\n", written, afterWrite,
              afterWrite - before);
  std::printf("after the next reset:            %8.1f MB (+%.1f)\n", afterSecondReset,
              afterSecondReset - before);
  return 0;
}
