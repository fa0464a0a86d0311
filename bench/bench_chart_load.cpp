// Loading a full-buffer chart (1,638,400 frames, 105 MB) through the reading
// loop, against only reading the same file in the same run. The ratio is the
// figure: what decoding, stamping and buffering add to the file read. The best
// of three loads and the process's first load are given. With "alone" the
// loading thread makes its fresh pages resident by itself (no second thread
// ahead of it), which shows what that thread saves; since a process has only
// one first load, compare runs of both kinds taken in turn.
//
//   bench/bench_chart_load [frames] [alone]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "capture/CaptureContext.h"
#include "capture/FramePrefault.h"
#include "files/ChartFile.h"
#include "state/GlobalSettings.h"

#include "BenchCharts.h"

using namespace padscope;
using Clock = std::chrono::steady_clock;

namespace {

// The floor of any loader: the file's records copied into the raw bytes of a
// freshly allocated frame buffer, without decoding.
double CopyIntoFreshBuffer(const std::filesystem::path& path) {
  const auto start = Clock::now();
  CaptureContext ctx;
  GlobalSettings settings;
  PrepareChartBuffer(ctx, settings, std::filesystem::file_size(path));
  std::FILE* in = std::fopen(path.string().c_str(), "rb");
  std::vector<uint8_t> chunk(4096 * 64);
  int index = 0;
  size_t n;
  while ((n = std::fread(chunk.data(), 64, 4096, in)) > 0) {
    for (size_t r = 0; r < n; ++r) {
      SampleFrame* f = ctx.FrameForWrite(index++);
      if (f != nullptr) {
        std::memcpy(f->raw, chunk.data() + r * 64, 64);
      }
    }
  }
  std::fclose(in);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Load(const std::filesystem::path& path, int64_t& accepted) {
  const auto start = Clock::now();
  CaptureContext ctx;
  GlobalSettings settings;
  PrepareChartBuffer(ctx, settings, std::filesystem::file_size(path));
  std::FILE* in = std::fopen(path.string().c_str(), "rb");
  ChartReadHooks hooks;
  accepted = ReadChartRecords(in, ctx, 1, hooks).accepted;
  std::fclose(in);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : kDefaultFrameCapacity;
  const bool alone = argc > 2 && std::strcmp(argv[2], "alone") == 0;
  FramePrefault::SetEnabled(!alone);
  const bench::PrivateFolder folder;
  const auto path = folder.Path() / "bench.tkchart";
  bench::WriteRandomChart(path, frames);
  bench::ReadFileSeconds(path);  // warm the page cache so both runs read from memory
  // The first load of the process, before anything has touched a buffer: the
  // kernel hands it fresh pages.
  int64_t accepted = 0;
  const double firstRead = bench::ReadFileSeconds(path);
  const double first = Load(path, accepted);
  double read = 1e9;
  double copy = 1e9;
  double load = 1e9;
  for (int round = 0; round < 3; ++round) {
    read = std::min(read, bench::ReadFileSeconds(path));
    copy = std::min(copy, CopyIntoFreshBuffer(path));
    load = std::min(load, Load(path, accepted));
  }
  std::printf("chart of %d frames (%.1f MB), %lld accepted%s\n", frames, (frames + 1) * 64 / 1e6,
              static_cast<long long>(accepted), alone ? ", no thread ahead" : "");
  std::printf("read file only:   %8.3f s\n", read);
  std::printf("copy into buffer: %8.3f s (ratio to read %.2f)\n", copy, copy / read);
  std::printf("load through loop:%8.3f s\n", load);
  std::printf("ratio load/read:  %8.2f\n", load / read);
  std::printf("ratio load/copy:  %8.2f\n", load / copy);
  std::printf("first load:       %8.3f s (ratio to its read %.2f, to the best read %.2f)\n", first,
              first / firstRead, first / read);
  return 0;
}
