// DecodeFrame throughput, against the decoder of the 388-byte slot the buffer
// had before (the baseline) and against only copying the same 64-byte
// payloads into the buffer (what any decoder must at least do). Both decoders
// are given the same stamp, so the clock read that live capture adds to each
// is left out of both.
//
//   bench/bench_decode --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "capture/CaptureContext.h"

#include "WideSlot.h"

namespace padscope {
namespace {

constexpr int kFrames = 1 << 16;

std::vector<uint8_t> Payloads(uint8_t channelByte, bool mark) {
  std::mt19937 rng(1);
  std::vector<uint8_t> p(static_cast<size_t>(kFrames) * 64);
  for (int f = 0; f < kFrames; ++f) {
    uint8_t* r = p.data() + static_cast<size_t>(f) * 64;
    for (int i = 0; i < 64; ++i) {
      r[i] = static_cast<uint8_t>(rng());
    }
    r[2] = channelByte;
    if (mark) {
      std::memcpy(r + 58, "double", 6);
    } else {
      r[58] = 0;
    }
  }
  return p;
}

void BM_CopyOnly(benchmark::State& state) {
  const auto payloads = Payloads(0x10, false);
  CaptureContext ctx;
  ctx.AllocateFrames(kFrames + 1);
  for (auto _ : state) {
    for (int f = 0; f < kFrames; ++f) {
      std::memcpy(ctx.FrameForWrite(f)->raw, payloads.data() + static_cast<size_t>(f) * 64, 64);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_DecodeFrame(benchmark::State& state) {
  const bool doubleByte = state.range(0) != 0;
  const auto payloads = Payloads(doubleByte ? 0x88 : 0x10, doubleByte);
  CaptureContext ctx;
  ctx.AllocateFrames(kFrames + 1);
  for (auto _ : state) {
    ctx.writeIndex = 0;
    for (int f = 0; f < kFrames; ++f) {
      const int index = ctx.WriteIndex();
      std::memcpy(ctx.FrameForWrite(index)->raw, payloads.data() + static_cast<size_t>(f) * 64, 64);
      if (ctx.DecodeFrame(doubleByte ? 0 : 1, static_cast<uint32_t>(f)) > 0) {
        ctx.writeIndex.store(index + 1, std::memory_order_release);
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

void BM_DecodeWideSlot(benchmark::State& state) {
  const bool doubleByte = state.range(0) != 0;
  const auto payloads = Payloads(doubleByte ? 0x88 : 0x10, doubleByte);
  std::vector<bench::WideSlot> slots(kFrames + 1);
  bench::WideSlotDecoder decoder;
  for (auto _ : state) {
    int index = 0;
    for (int f = 0; f < kFrames; ++f) {
      std::memcpy(slots[index].raw, payloads.data() + static_cast<size_t>(f) * 64, 64);
      if (decoder.Decode(slots.data(), kFrames + 1, index, doubleByte ? 0 : 1,
                         static_cast<uint32_t>(f)) > 0) {
        ++index;
      }
    }
    benchmark::DoNotOptimize(decoder.ChannelCount());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}

BENCHMARK(BM_CopyOnly);
BENCHMARK(BM_DecodeFrame)->Arg(0)->Arg(1);
BENCHMARK(BM_DecodeWideSlot)->Arg(0)->Arg(1);

}  // namespace
}  // namespace padscope

BENCHMARK_MAIN();
