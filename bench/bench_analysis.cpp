// The tuning analysis over a full default buffer (1,638,400 frames), against
// only reading the same frames in the same run. Two baselines: every frame's
// decoded values and key states read straight from the slots, and the same
// read through the analysis's frame accessor. Medians of five rounds.
//
//   bench/bench_analysis [frames]   (1000: the last ten seconds of a live capture)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "analysis/Analysis.h"
#include "analysis/AnalysisFrame.h"
#include "capture/CaptureContext.h"

using namespace padscope;
using Clock = std::chrono::steady_clock;

namespace {

// A single-byte 16-channel recording: per channel a baseline with noise, and
// a touch of one key at a time every few seconds, key bit included.
void FillBuffer(CaptureContext& ctx, int frames) {
  std::mt19937 rng(5);
  uint8_t record[64] = {};
  for (int f = 0; ctx.WriteIndex() < frames; ++f) {
    const int touched = (f / 250) % 20;  // 16 keys in turn, then a pause
    std::memset(record, 0, sizeof record);
    record[2] = 0x10;
    for (int ch = 0; ch < 16; ++ch) {
      const bool on = ch == touched && f % 250 > 50 && f % 250 < 200;
      const int raw = 800 + ch * 50 + static_cast<int>(rng() % 9) - (on ? 150 : 0);
      record[3 + 2 * ch] = static_cast<uint8_t>(raw >> 8);
      record[4 + 2 * ch] = static_cast<uint8_t>(raw);
      record[35 + ch] = static_cast<uint8_t>(rng() % 6 + (on ? 120 : 0));
      if (on) {
        record[ch / 8] |= static_cast<uint8_t>(1u << (ch % 8));
      }
    }
    std::memcpy(ctx.FrameForWrite(ctx.WriteIndex())->raw, record, sizeof record);
    if (ctx.DecodeFrame(1, static_cast<uint32_t>(f)) > 0) {
      ctx.writeIndex.store(ctx.WriteIndex() + 1, std::memory_order_release);
    }
  }
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The floor: each frame's values and key states read from its slot.
double ReadSlots(const CaptureContext& ctx, int64_t& checksum) {
  const auto start = Clock::now();
  int64_t sum = 0;
  for (int i = 0, n = ctx.WriteIndex(); i < n; ++i) {
    const SampleFrame* f = ctx.FrameAt(i);
    for (int ch = 0; ch < kFrameChannels; ++ch) {
      sum += f->rawValue[ch] + f->secondValue[ch] + f->KeyState(ch);
    }
  }
  // Keeps the compiler from moving the reads out of the timed span.
  benchmark::DoNotOptimize(sum);
  checksum = sum;
  return Seconds(start);
}

// The same frames through the accessor the analysis reads them with.
double ReadThroughAccessor(const CaptureContext& ctx, int64_t& checksum) {
  const auto start = Clock::now();
  int64_t sum = 0;
  AnalysisFrame frame;
  for (int i = 0, n = ctx.WriteIndex(); i < n; ++i) {
    ReadAnalysisFrame(ctx, i, true, frame);
    for (int ch = 0; ch < kFrameChannels; ++ch) {
      sum += frame.raw[ch] + frame.output[ch];
    }
    sum += frame.keys;
  }
  benchmark::DoNotOptimize(sum);
  checksum = sum;
  return Seconds(start);
}

double Analyse(const CaptureContext& ctx, AnalysisResult& result) {
  const auto start = Clock::now();
  AnalysisOptions options;
  options.plotColumns = 400;
  result = AnalyzeBuffer(ctx, 0, ctx.WriteIndex() - 1, options);
  benchmark::DoNotOptimize(result);
  return Seconds(start);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : kDefaultFrameCapacity;
  CaptureContext ctx;
  if (frames < 2 || !ctx.AllocateFrames(frames)) {
    std::fprintf(stderr, "cannot allocate %d frames\n", frames);
    return 1;
  }
  FillBuffer(ctx, frames);
  std::vector<double> slots;
  std::vector<double> accessor;
  std::vector<double> analysis;
  int64_t checksum = 0;
  AnalysisResult result;
  for (int round = 0; round < 5; ++round) {
    slots.push_back(ReadSlots(ctx, checksum));
    accessor.push_back(ReadThroughAccessor(ctx, checksum));
    analysis.push_back(Analyse(ctx, result));
  }
  int pass = 0;
  int64_t touches = 0;
  for (const ChannelResult& c : result.channels) {
    pass += c.verdict == Verdict::Pass;
    touches += c.touches;
  }
  const double s = Median(slots);
  const double a = Median(accessor);
  const double t = Median(analysis);
  std::printf("buffer of %d frames: %lld touches found, %d of %zu keys pass (checksum %lld)\n",
              frames, static_cast<long long>(touches), pass, result.channels.size(),
              static_cast<long long>(checksum));
  std::printf("read slots only:        %9.3f ms\n", s * 1e3);
  std::printf("read through accessor:  %9.3f ms\n", a * 1e3);
  std::printf("analysis:               %9.3f ms\n", t * 1e3);
  std::printf("ratio analysis/read slots:    %6.2f\n", t / s);
  std::printf("ratio analysis/read accessor: %6.2f\n", t / a);
  return 0;
}
