// Chart files: the bytes written, and what the reading loop makes of good and
// bad files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "capture/CaptureContext.h"
#include "capture/FramePrefault.h"
#include "files/ChartFile.h"
#include "files/DecodedCsv.h"
#include "platform/ProgramFolders.h"
#include "state/GlobalSettings.h"

#include "common/Files.h"

namespace padscope {
namespace {

using test::Bytes;
using test::ReadAll;
using test::WriteAll;

Bytes Record(uint8_t seed, uint8_t channelByte = 0x10) {
  Bytes r(64);
  for (int i = 0; i < 64; ++i) {
    r[i] = static_cast<uint8_t>(seed * 7 + i);
  }
  r[2] = channelByte;
  r[58] = 0;  // never the "double" mark
  return r;
}

class ChartFiles : public ::testing::Test {
 protected:
  void SetUp() override { GlobalSettings::ResetInstanceForTest(); }

  std::filesystem::path Path(const char* name) { return StateDirectory() / name; }

  // Fills n frames with known records.
  void Fill(int n) {
    ASSERT_TRUE(ctx.AllocateFrames(std::max(n, 1) + 8));
    for (int i = 0; i < n; ++i) {
      const Bytes r = Record(static_cast<uint8_t>(i));
      std::memcpy(ctx.FrameForWrite(i)->raw, r.data(), 64);
    }
    ctx.writeIndex = n;
  }

  ChartReadResult Read(const std::filesystem::path& p, CaptureContext& into) {
    GlobalSettings& settings = GlobalSettings::Instance();
    EXPECT_EQ(PrepareChartBuffer(into, settings, std::filesystem::file_size(p)),
              ChartBufferStatus::Ready);
    std::FILE* f = std::fopen(p.string().c_str(), "rb");
    ChartReadHooks hooks;
    const ChartReadResult r = ReadChartRecords(f, into, settings.singleByteMode, hooks);
    std::fclose(f);
    return r;
  }

  CaptureContext ctx;
};

TEST_F(ChartFiles, GoldenThreeFrameChart) {
  Fill(3);
  ASSERT_TRUE(WriteChart(Path("three.tkchart"), ctx));
  const Bytes golden =
      ReadAll(std::filesystem::path(PADSCOPE_TEST_DATA_DIR) / "three-frames.tkchart");
  ASSERT_EQ(golden.size(), 64u * 4);
  EXPECT_EQ(ReadAll(Path("three.tkchart")), golden);
}

TEST_F(ChartFiles, SizeAndEndRecord) {
  for (int n : {0, 1, 70}) {
    Fill(n);
    ASSERT_TRUE(WriteChart(Path("c.tkchart"), ctx));
    const Bytes bytes = ReadAll(Path("c.tkchart"));
    ASSERT_EQ(bytes.size(), 64u * (n + 1)) << n;
    EXPECT_TRUE(std::all_of(bytes.end() - 64, bytes.end(), [](uint8_t b) { return b == 0xFF; }));
  }
}

// An invalid all-0xFF frame kept in the buffer during capture must not end
// the chart early: it is left out, and every frame after it reads back.
TEST_F(ChartFiles, AnAllFFFrameInTheBufferDoesNotCutTheChart) {
  Fill(40);
  std::memset(ctx.FrameForWrite(20)->raw, 0xFF, 64);
  ASSERT_TRUE(WriteChart(Path("c.tkchart"), ctx));
  EXPECT_EQ(ReadAll(Path("c.tkchart")).size(), 64u * 40);
  CaptureContext back;
  const ChartReadResult r = Read(Path("c.tkchart"), back);
  EXPECT_TRUE(r.endRecord);
  EXPECT_EQ(r.recordsRead, 40);
  ASSERT_EQ(back.WriteIndex(), 33);
  EXPECT_EQ(0, std::memcmp(back.FrameAt(32)->raw, ctx.FrameAt(39)->raw, 64));
}

// Export Range: part of the buffer as a chart and as decoded CSV, the
// invalid frame left out of both.
TEST_F(ChartFiles, ARangeOfTheBufferAsChartAndAsDecodedCsv) {
  Fill(40);
  std::memset(ctx.FrameForWrite(20)->raw, 0xFF, 64);
  ASSERT_TRUE(WriteChart(Path("r.tkchart"), ctx, 10, 25));
  const Bytes bytes = ReadAll(Path("r.tkchart"));
  ASSERT_EQ(bytes.size(), 64u * (15 + 1));
  EXPECT_EQ(0, std::memcmp(bytes.data(), ctx.FrameAt(10)->raw, 64));
  EXPECT_EQ(0, std::memcmp(bytes.data() + 64 * 14, ctx.FrameAt(25)->raw, 64));

  std::ostringstream csv;
  ASSERT_TRUE(WriteDecodedCsv(csv, ctx, true, 10, 25));
  std::vector<std::string> frames;
  std::istringstream lines(csv.str());
  for (std::string line; std::getline(lines, line);) {
    frames.push_back(line.substr(0, line.find(',')));
  }
  ASSERT_EQ(frames.size(), 16u);
  EXPECT_EQ(frames[0], "frame");
  EXPECT_EQ(frames[1], "10");
  EXPECT_EQ(frames[10], "19");
  EXPECT_EQ(frames[11], "21");
  EXPECT_EQ(frames[15], "25");
}

TEST_F(ChartFiles, UnwritablePathFails) {
  Fill(2);
  EXPECT_FALSE(WriteChart(StateDirectory() / "no-such-dir" / "x.tkchart", ctx));
}

TEST_F(ChartFiles, ReadBackKeepsEveryFrameAfterTheLayoutFilter) {
  Fill(40);
  ASSERT_TRUE(WriteChart(Path("c.tkchart"), ctx));
  CaptureContext back;
  const ChartReadResult r = Read(Path("c.tkchart"), back);
  EXPECT_TRUE(r.endRecord);
  EXPECT_EQ(r.recordsRead, 41);
  EXPECT_EQ(r.accepted, 34) << "the first six records confirm the layout";
  ASSERT_EQ(back.WriteIndex(), 34);
  for (int k = 0; k < 34; ++k) {
    ASSERT_EQ(0, std::memcmp(back.FrameAt(k)->raw, ctx.FrameAt(k + 6)->raw, 64)) << k;
  }
  EXPECT_EQ(back.runState, kRunStopped);
  EXPECT_EQ(back.FrameLayout(), 3);
  EXPECT_EQ(back.channelCount, 0x10);
  // Frames are 20 ms apart and the newest is at lastSampleTime.
  EXPECT_EQ(back.FrameAt(33)->timestamp, back.lastSampleTime);
  for (int k = 1; k < 34; ++k) {
    ASSERT_EQ(back.FrameAt(k)->timestamp - back.FrameAt(k - 1)->timestamp, 20u);
  }
}

TEST_F(ChartFiles, DamagedFiles) {
  Fill(20);
  ASSERT_TRUE(WriteChart(Path("c.tkchart"), ctx));
  Bytes bytes = ReadAll(Path("c.tkchart"));

  // Without the end record, with half a record at the end.
  Bytes cut(bytes.begin(), bytes.end() - 64 - 30);
  WriteAll(Path("cut.tkchart"), cut);
  CaptureContext a;
  ChartReadResult r = Read(Path("cut.tkchart"), a);
  EXPECT_FALSE(r.endRecord);
  EXPECT_EQ(r.recordsRead, 19);
  EXPECT_EQ(r.accepted, 13);

  // Zero records inside are skipped and not counted.
  Bytes zeros = bytes;
  zeros.insert(zeros.begin() + 64 * 10, 64 * 3, 0);
  WriteAll(Path("zeros.tkchart"), zeros);
  CaptureContext b;
  r = Read(Path("zeros.tkchart"), b);
  EXPECT_EQ(r.accepted, 14);
  EXPECT_TRUE(r.endRecord);

  // One byte: nothing to read.
  WriteAll(Path("one.tkchart"), Bytes{0x42});
  CaptureContext c;
  r = Read(Path("one.tkchart"), c);
  EXPECT_EQ(r.recordsRead, 0);
  EXPECT_EQ(c.WriteIndex(), 0);
  EXPECT_EQ(c.lastSampleTime, 0u);
}

TEST_F(ChartFiles, ChartLargerThanTheBufferEnlargesIt) {
  GlobalSettings::Instance().bufferFrames = 1024;
  Fill(3000);
  ASSERT_TRUE(WriteChart(Path("big.tkchart"), ctx));
  CaptureContext back;
  ASSERT_TRUE(back.AllocateFrames(1024));
  const ChartReadResult r = Read(Path("big.tkchart"), back);
  EXPECT_EQ(GlobalSettings::Instance().bufferFrames, 3072);  // 3001 records, rounded up to whole KB
  EXPECT_EQ(back.frameCapacity, 3072);
  EXPECT_EQ(r.accepted, 2994);
  EXPECT_EQ(back.WriteIndex(), 2994);
}

// The thread that makes the buffer resident ahead is only an optimisation: a
// load goes on without it when it cannot be started.
TEST_F(ChartFiles, ALoadGoesOnWhenNoHelperThreadCanStart) {
  Fill(20000);
  ASSERT_TRUE(WriteChart(Path("many.tkchart"), ctx));
  FramePrefault::SetThreadStartFailsForTest(true);
  CaptureContext back;
  ASSERT_TRUE(back.AllocateFrames(20000 + 8));
  ChartReadResult r;
  EXPECT_NO_THROW(r = Read(Path("many.tkchart"), back));
  FramePrefault::SetThreadStartFailsForTest(false);
  EXPECT_EQ(r.accepted, 20000 - 6);
}

TEST_F(ChartFiles, ReaderStopsWhenAsked) {
  Fill(100);
  ASSERT_TRUE(WriteChart(Path("c.tkchart"), ctx));
  struct StopAt50 : ChartReadHooks {
    int asked = 0;
    int dispatched = 0;
    bool ShouldStop() override { return ++asked > 50; }
    void DispatchEvent() override { ++dispatched; }
  } hooks;
  CaptureContext back;
  ASSERT_TRUE(back.AllocateFrames(256));
  std::FILE* f = std::fopen(Path("c.tkchart").string().c_str(), "rb");
  const ChartReadResult r = ReadChartRecords(f, back, 1, hooks);
  std::fclose(f);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.accepted, 50 - 6);
  EXPECT_GE(hooks.dispatched, 5);
  EXPECT_EQ(back.runState, kRunStopped);
}

TEST_F(ChartFiles, HundredMegabytesOfRandomBytes) {
  const auto path = Path("random.tkchart");
  {
    std::mt19937_64 rng(7);
    std::ofstream out(path, std::ios::binary);
    std::vector<uint64_t> block(1 << 16);
    for (int i = 0; i < 100 * 16; ++i) {  // 100 MiB in 64 KiB words
      for (auto& w : block) {
        w = rng();
      }
      out.write(reinterpret_cast<const char*>(block.data()),
                static_cast<std::streamsize>(block.size() / 8 * sizeof(uint64_t)));
    }
  }
  ASSERT_EQ(std::filesystem::file_size(path), 100u << 20);
  CaptureContext back;
  const ChartReadResult r = Read(path, back);
  EXPECT_EQ(r.recordsRead, 1638400);
  EXPECT_FALSE(r.endRecord);
  EXPECT_EQ(r.accepted, 1638400 - 6);
  EXPECT_EQ(back.ChannelsInFrame(), std::min(16, back.channelCount.load()));
}

}  // namespace
}  // namespace padscope
