// The frame decoder, its layout filter and the frame buffer operations.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "capture/CaptureContext.h"
#include "capture/FramePrefault.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace padscope {
namespace {

using Raw = std::vector<uint8_t>;

Raw Frame(uint8_t channelByte, bool mark = false) {
  Raw raw(64, 0);
  raw[2] = channelByte;
  for (int i = 3; i < 58; ++i) {
    raw[i] = static_cast<uint8_t>(i);
  }
  if (mark) {
    std::memcpy(raw.data() + 58, "double", 6);
  } else {
    raw[58] = raw[59] = raw[60] = raw[61] = raw[62] = raw[63] = 0;
  }
  return raw;
}

class Decoder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ctx.AllocateFrames(64)); }

  // Puts raw into the slot at writeIndex, decodes it, and advances like the
  // capture thread when the frame is accepted.
  int Feed(const Raw& raw, int singleByteMode = 1) {
    SampleFrame* f = ctx.FrameForWrite(ctx.WriteIndex());
    std::memcpy(f->raw, raw.data(), 64);
    const int r = ctx.DecodeFrame(singleByteMode);
    if (r != -1) {
      ctx.writeIndex = ctx.WriteIndex() + 1;
    }
    return r;
  }
  // Feeds the same frame until it is accepted; returns the slot it went into.
  int Accept(const Raw& raw, int singleByteMode = 1) {
    for (int i = 0; i < 7; ++i) {
      const int slot = ctx.WriteIndex();
      if (Feed(raw, singleByteMode) > 0) {
        return slot;
      }
    }
    ADD_FAILURE() << "frame never accepted";
    return -1;
  }
  int32_t Word(int hi) { return (((hi << 8) | (hi + 1)) - 0x8000) & 0xFFFF; }

  CaptureContext ctx;
};

TEST_F(Decoder, LayoutIsAcceptedFromTheSeventhFrame) {
  const Raw raw = Frame(0x10);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Feed(raw), -1) << i;
    EXPECT_EQ(ctx.WriteIndex(), 0) << "the slot is reused";
  }
  EXPECT_EQ(Feed(raw), 3);
  EXPECT_EQ(Feed(raw), 3);
  // A change of layout needs six more frames of the new one.
  const Raw marked = Frame(0x88, true);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Feed(marked), -1) << i;
  }
  EXPECT_EQ(Feed(marked), 2);
}

TEST_F(Decoder, DoubleByteEightChannelsWithoutMark) {
  Accept(Frame(0x88));
  const int slot = Accept(Frame(0x88), 0);
  ASSERT_GT(slot, 0);
  EXPECT_EQ(ctx.channelCount, 8);
  EXPECT_EQ(ctx.reportedChannels, 8);
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(ctx.RawValue(slot, k), Word(3 + 2 * k)) << k;
    EXPECT_EQ(ctx.SecondValue(slot, k), Word(19 + 2 * k)) << k;
  }
  EXPECT_EQ(ctx.RawValue(slot, 8), 0) << "channels past the count stay untouched";
}

TEST_F(Decoder, SingleByteSixteenChannels) {
  Accept(Frame(0x10));
  const int slot = Accept(Frame(0x10));
  EXPECT_EQ(ctx.channelCount, 16);
  EXPECT_EQ(ctx.reportedChannels, 0x10);
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(ctx.RawValue(slot, k), Word(3 + 2 * k)) << k;
    EXPECT_EQ(ctx.SecondValue(slot, k), 35 + k) << k;
  }
}

TEST_F(Decoder, MarkedLayoutReadsPastThePayloadAsZero) {
  Accept(Frame(0x88, true));
  const int slot = Accept(Frame(0x88, true), 0);
  EXPECT_EQ(ctx.FrameLayout(), -1) << "the decoder leaves frameLayout to its callers";
  EXPECT_EQ(ctx.channelCount, 8);
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(ctx.RawValue(slot, k), Word(3 + 2 * k));
    EXPECT_EQ(ctx.SecondValue(slot, k), Word(35 + 2 * k));
  }
  // Channel 15's second value sits at bytes 65..66: past the payload, zero,
  // also in a slot that held a frame before.
  EXPECT_EQ(ctx.SecondValue(slot, 15), (0 - 0x8000) & 0xFFFF);
  ctx.writeIndex = slot;
  ASSERT_GT(Feed(Frame(0x88, true), 0), 0);
  EXPECT_EQ(ctx.SecondValue(slot, 15), (0 - 0x8000) & 0xFFFF);
}

TEST_F(Decoder, FirstFrameOfTheBufferCarriesNoValues) {
  Raw raw = Frame(0x10);
  raw[0] = 0xFF;
  raw[1] = 0x81;
  const int first = Accept(raw);
  ASSERT_EQ(first, 0);
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(ctx.RawValue(0, k), kValueOffset) << "the value that means zero";
    EXPECT_FALSE(ctx.FrameAt(0)->KeyState(k));
  }
  ASSERT_EQ(Feed(raw), 3);
  const SampleFrame* f = ctx.FrameAt(1);
  EXPECT_TRUE(f->KeyState(0));
  EXPECT_TRUE(f->KeyState(7));
  EXPECT_TRUE(f->KeyState(8));
  EXPECT_FALSE(f->KeyState(9));
  EXPECT_TRUE(f->KeyState(15));
  EXPECT_NE(f->timestamp, 0u);
}

TEST_F(Decoder, EmptyAndInvalidFrames) {
  EXPECT_EQ(Feed(Raw(64, 0)), -1);
  EXPECT_EQ(ctx.candidateLayout, -1) << "an empty frame changes nothing";
  EXPECT_EQ(ctx.FrameAt(0)->timestamp, 0u);
  EXPECT_EQ(Feed(Raw(64, 0xFF)), kLayoutInvalid) << "no confirmation needed";
}

TEST_F(Decoder, OversizedChannelCountStaysWithinSixteen) {
  Accept(Frame(0x1F));
  const int slot = Accept(Frame(0x1F));
  EXPECT_EQ(ctx.channelCount, 31);
  EXPECT_EQ(ctx.ChannelsInFrame(), 16);
  EXPECT_EQ(ctx.RawValue(slot, 15), Word(33));
  // Second values follow 31 first values: byte 3 + 62 + k, past the payload.
  EXPECT_EQ(ctx.SecondValue(slot, 0), 0);
}

TEST(FrameBuffer, CompactionKeepsTheNewestHalf) {
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(4));
  for (int i = 0; i < 4; ++i) {
    ctx.FrameForWrite(i)->raw[5] = static_cast<uint8_t>(10 + i);
    ctx.SetRawValue(i, 0, 100 + i);
  }
  ctx.writeIndex = 4;
  ctx.CompactFrames();
  EXPECT_EQ(ctx.WriteIndex(), 2);
  EXPECT_EQ(ctx.RawByte(0, 5), 12);
  EXPECT_EQ(ctx.RawByte(1, 5), 13);
  EXPECT_EQ(ctx.RawValue(1, 0), 103);
  EXPECT_EQ(ctx.RawByte(2, 5), 0);
  EXPECT_EQ(ctx.RawValue(3, 0), 0);
}

TEST(FrameBuffer, AllocationAndReset) {
  CaptureContext ctx;
  EXPECT_FALSE(ctx.HasFrames());
  EXPECT_FALSE(ctx.AllocateFrames(0));
  EXPECT_FALSE(ctx.AllocateFrames(-5));
  EXPECT_FALSE(ctx.HasFrames());
  ASSERT_TRUE(ctx.AllocateFrames(10));
  EXPECT_EQ(ctx.frameCapacity, 10);
  ctx.FrameForWrite(9)->raw[0] = 1;
  ctx.writeIndex = 7;
  ctx.lastSampleTime = 5;
  ctx.displayShift = 3;
  ctx.ResetFrames();
  EXPECT_EQ(ctx.WriteIndex(), 0);
  EXPECT_EQ(ctx.lastSampleTime, 0u);
  EXPECT_EQ(ctx.displayShift, 0);
  EXPECT_EQ(ctx.RawByte(9, 0), 0);
}

TEST(FrameBuffer, LargeResetZeroesWhatWasWritten) {
  CaptureContext ctx;
  const int n = 20000;  // ~7.4 MB: large enough to give pages back
  ASSERT_TRUE(ctx.AllocateFrames(n));
  for (int i = 0; i < n; i += 97) {
    ctx.FrameForWrite(i)->raw[63] = 0xAB;
    ctx.FrameForWrite(i)->timestamp = 1;
  }
  ctx.ResetFrames();
  for (int i = 0; i < n; i += 97) {
    ASSERT_EQ(ctx.RawByte(i, 63), 0) << i;
    ASSERT_EQ(ctx.FrameAt(i)->timestamp, 0u) << i;
  }
}

#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
bool Resident(const CaptureContext& ctx, int frame) {
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto at = reinterpret_cast<uintptr_t>(ctx.FrameAt(frame)) & ~(page - 1);
  unsigned char in = 0;
  return mincore(reinterpret_cast<void*>(at), page, &in) == 0 && (in & 1) != 0;
}
#endif

// A chart load's second thread makes the slots it will fill resident ahead of
// the writer, and never the rest of the buffer: that stays free until used.
TEST(FrameBuffer, PrefaultMakesOnlyTheComingSlotsResident) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(400000));  // 54 MB
  const int coming = 100000;
  // Sanitizer allocators clear what they hand out, making it all resident.
  const bool freshBuffer = !Resident(ctx, 399999);
  {
    const FramePrefault prefault(ctx, coming);
    for (int waited = 0; waited < 5000 && !Resident(ctx, coming - 1); waited += 10) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  EXPECT_TRUE(Resident(ctx, coming - 1));
  if (!freshBuffer) {
    GTEST_SKIP() << "this allocator makes the whole buffer resident";
  }
  // A huge page may reach 2 MB past the last slot; nothing beyond that.
  for (int frame = coming + 20000; frame < 400000; frame += 1000) {
    ASSERT_FALSE(Resident(ctx, frame)) << frame;
  }
#else
  GTEST_SKIP() << "made resident ahead only on Linux";
#endif
}

// 16 channels whose count words are all `word`.
Raw WordFrame(int word) {
  Raw raw(64, 0);
  raw[2] = 0x10;
  for (int k = 0; k < 16; ++k) {
    raw[3 + 2 * k] = static_cast<uint8_t>(word >> 8);
    raw[4 + 2 * k] = static_cast<uint8_t>(word);
  }
  return raw;
}

// Every word is the chip's signed count, whatever the frames before it held:
// counts near 21,000 beside an unused pad at 0xFFFF, a stream that began at
// 0x8000. Offset words are read only when the user chose them, and a reset
// keeps that choice.
TEST_F(Decoder, EveryWordIsTheSignedCountWhateverCameBefore) {
  Raw board = WordFrame(21000);
  board[3 + 2 * 15] = 0xFF;
  board[4 + 2 * 15] = 0xFF;
  Accept(board);
  int slot = Accept(board);
  EXPECT_EQ(ctx.RawValue(slot, 0) - kValueOffset, 21000);
  EXPECT_EQ(ctx.RawValue(slot, 15) - kValueOffset, -1);
  Accept(WordFrame(0x8000));
  slot = Accept(WordFrame(100));
  EXPECT_EQ(ctx.RawValue(slot, 3) - kValueOffset, 100);
  slot = Accept(WordFrame(0xB1E0));  // -20,000
  EXPECT_EQ(ctx.RawValue(slot, 3) - kValueOffset, -20000);

  ctx.valueEncoding = ValueEncoding::Offset;
  ctx.ResetFrames();
  Accept(WordFrame(0x8123));
  slot = Accept(WordFrame(0x8123));
  EXPECT_EQ(ctx.RawValue(slot, 0), 0x8123) << "an offset word is stored as it came";
}

TEST(FrameBuffer, AccessorsAreBounded) {
  CaptureContext ctx;
  EXPECT_EQ(ctx.RawValue(0, 0), 0) << "no buffer";
  ASSERT_TRUE(ctx.AllocateFrames(2));
  ctx.SetRawValue(-1, 0, 7);
  ctx.SetRawValue(2, 0, 7);
  ctx.SetSecondValue(0, 16, 7);
  ctx.SetSecondValue(0, -1, 7);
  EXPECT_EQ(ctx.RawValue(-1, 0), 0);
  EXPECT_EQ(ctx.RawValue(2, 0), 0);
  EXPECT_EQ(ctx.SecondValue(0, 16), 0);
  EXPECT_EQ(ctx.RawByte(0, 64), 0);
  EXPECT_EQ(ctx.RawByte(0, -1), 0);
  EXPECT_EQ(ctx.FrameForWrite(2), nullptr);
  ctx.lastPoint[1][3] = {5, 6};
  ctx.ResetLastPoints();
  EXPECT_EQ(ctx.lastPoint[1][3].x, -1);
}

}  // namespace
}  // namespace padscope
