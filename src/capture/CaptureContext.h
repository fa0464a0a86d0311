#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "capture/SampleFrame.h"
#include "link/SendBuffers.h"

namespace padscope {

inline constexpr int kDefaultFrameCapacity = 1638400;  // 0x190000 frames
inline constexpr int kRunStopped = 0;
inline constexpr int kRunRunning = 1;
inline constexpr int kRunReplaying = 11;
inline constexpr int kLayoutInvalid = -12;  // an all-0xFF frame (the end record of a chart)
inline constexpr int kLastPointGroups = 5;

// Block summaries: for blocks of 32, 1,024 and 32,768 frames, the lowest and
// highest time stamp and stored values. A view draws a block that falls on one
// pixel column from its summary without reading its frames.
inline constexpr int kSummaryLevels = 3;
inline constexpr int kSummaryFanOut = 32;

constexpr int SummaryBlockFrames(int level) {
  int frames = kSummaryFanOut;
  for (int l = 0; l < level; ++l) {
    frames *= kSummaryFanOut;
  }
  return frames;
}

struct FrameBlockSummary {
  uint32_t minTime;
  uint32_t maxTime;
  uint16_t minFirst[kFrameChannels];  // rawValue
  uint16_t maxFirst[kFrameChannels];
  uint16_t minSecond[kFrameChannels];  // secondValue
  uint16_t maxSecond[kFrameChannels];
};

struct PlotPoint {
  int32_t x = -1;
  int32_t y = -1;
};

// The shared capture record: the frame buffer and its write index, the run
// state and stop request, the layout of the accepted frames, the views' time
// scale and last points, and the command data buffers.
//
// Threads: the capture thread (or a chart reader, never both) writes frames,
// writeIndex and the layout fields; the UI thread reads them to paint. Fields
// that cross threads are atomics; writeIndex is stored with release once a
// frame is complete and loaded with acquire, so a reader sees every frame below
// it whole. Readers touch only frames below writeIndex and every accessor
// bounds its indexes.
class CaptureContext {
 public:
  CaptureContext();
  ~CaptureContext();
  CaptureContext(const CaptureContext&) = delete;
  CaptureContext& operator=(const CaptureContext&) = delete;

  // Frees the old buffer and allocates n zeroed frames. Memory is taken from
  // the system lazily, so a large buffer costs only what is written into it.
  // On failure (n < 1, or no memory) the buffer is empty and false returned; on
  // success writeIndex is 0, frameCapacity n, and the frames are reset.
  bool AllocateFrames(int n);
  // Zeroes every frame written since the last reset and the time fields.
  void ResetFrames();
  void ResetLastPoints();
  // Keeps the newest half of a full buffer: frames half..2*half-1 move to
  // 0..half-1, the vacated slots are zeroed, writeIndex becomes half, and
  // compactedFrames grows by half. The block summaries are rebuilt in one pass.
  void CompactFrames();
  // Tells readers that keep frame positions (measurement cursors, a running
  // analysis) that the buffer now holds new contents: generation changes and
  // compactedFrames starts again at 0. ResetFrames calls it; so does a flash
  // load, which refills the buffer from its start.
  void BeginNewContents();
  // Decodes the frame at writeIndex in place. Returns -1 (nothing to accept),
  // -12 (invalid frame) or the accepted layout 2 or 3. The frame is stamped
  // with the current tick, or with `stamp` (a replay's own clock).
  int DecodeFrame(int singleByteMode);
  int DecodeFrame(int singleByteMode, uint32_t stamp);

  bool HasFrames() const { return frames_ != nullptr; }
  // The frame at index, or null outside the buffer. Writers call it for the
  // slot they fill, which marks that slot for the next reset.
  SampleFrame* FrameForWrite(int index) {
    if (!frames_ || index < 0 || index >= frameCapacity) {
      return nullptr;
    }
    if (index >= touchedFrames_.load(std::memory_order_relaxed)) {
      touchedFrames_.store(index + 1, std::memory_order_relaxed);
    }
    // A frame that may change below the summarized ones takes its blocks out
    // of the summaries. Appends write at writeIndex, which is never below.
    if (index < summarized_.load(std::memory_order_relaxed)) {
      summarized_.store(index - index % kSummaryFanOut, std::memory_order_release);
    }
    return frames_.get() + index;
  }
  const SampleFrame* FrameAt(int index) const;

  // Publishes frame `index`, the one at writeIndex, as complete: folds it into
  // the block summaries (O(1)) and stores writeIndex = index + 1 with release.
  // The writers' way to append a frame.
  void CommitFrame(int index) {
    if (frames_ && index >= 0 && index < frameCapacity &&
        index == summarized_.load(std::memory_order_relaxed)) {
      FoldFrame(index);
    }
    writeIndex.store(index + 1, std::memory_order_release);
  }
  // Frames [0, SummarizedFrames()) are covered by the block summaries. A
  // writer that sets writeIndex itself, or writes a frame below this mark
  // through FrameForWrite, leaves the summaries behind (this mark never
  // covers a frame changed since it was summarized) until RebuildSummaries.
  int SummarizedFrames() const { return summarized_.load(std::memory_order_acquire); }
  // The summary of block `block` of `level`, or null unless all its frames
  // lie below SummarizedFrames().
  const FrameBlockSummary* BlockSummary(int level, int block) const;
  // Summarizes frames [0, writeIndex) again, in one pass.
  void RebuildSummaries();
  // Held by a reader on another thread than the buffer's writer (a paint, an
  // analysis) while it reads frames and block summaries. CompactFrames holds
  // it exclusively while it moves the frames and rebuilds the summaries, so no
  // reader sees either half moved. Appends need no lock: readers stay below
  // writeIndex. Not recursive: a reader takes it once.
  std::shared_lock<std::shared_mutex> ReadLock() const {
    return std::shared_lock<std::shared_mutex>(compaction_);
  }

  // Bounded accessors: an index outside the buffer or a channel outside 0..15
  // reads 0 and makes a store do nothing. Values are stored as the 16-bit
  // words they are on the wire: a store keeps the low 16 bits.
  int RawByte(int frame, int index) const;
  int32_t RawValue(int frame, int channel) const;
  int32_t SecondValue(int frame, int channel) const;
  void SetRawValue(int frame, int channel, int32_t value);
  void SetSecondValue(int frame, int channel, int32_t value);
  // Sets the over-threshold mark of a frame's channel (the views' mark on the
  // newest frame); nothing outside the buffer or the 16 channels.
  void SetKeyAux(int frame, int channel);
  int WriteIndex() const { return writeIndex.load(std::memory_order_acquire); }
  int FrameLayout() const { return frameLayout.load(std::memory_order_relaxed); }
  // channelCount limited to the 16 channels a frame holds.
  int ChannelsInFrame() const;

  std::atomic<bool> autoBalance{false};
  float thresholdFactor = 0.625f;
  std::atomic<int> frameCapacity{kDefaultFrameCapacity};
  std::atomic<int> runState{kRunStopped};
  std::atomic<bool> stopRequest{false};
  // Held while the stream's start or stop command goes out together with the
  // stop-request test or store, so that a start never follows the stop.
  std::mutex streamCommandLock;
  std::thread captureThread;
  std::atomic<bool> threadFinished{true};
  std::atomic<int> writeIndex{0};
  // What frame positions rest on: the contents' generation, and how many
  // frames compaction has dropped from the front since it began, so that
  // index + compactedFrames names the same frame however the buffer moves.
  std::atomic<uint32_t> generation{0};
  std::atomic<int64_t> compactedFrames{0};
  // The frames' time stamps are a reader's clock (a chart load's 20 ms
  // spacing, a flash load's reading time), not the chip's: the tuning
  // analysis then counts time by the sampling period instead.
  std::atomic<bool> replayStamps{false};
  std::atomic<uint32_t> lastSampleTime{0};
  std::atomic<uint32_t> liveEndTime{0};
  std::atomic<int32_t> displayShift{0};
  std::atomic<int> frameLayout{-1};
  std::atomic<int> candidateLayout{-1};
  std::atomic<int> layoutStreak{0};
  std::atomic<int> channelCount{kFrameChannels};
  std::atomic<uint8_t> reportedChannels{0};
  // How the decoder reads the adapter's words: two's complement unless the
  // user chose offset words; a reset keeps the choice.
  std::atomic<ValueEncoding> valueEncoding{ValueEncoding::TwosComplement};
  float msPerPixel = 10.0f;
  std::array<std::array<PlotPoint, kFrameChannels>, kLastPointGroups> lastPoint{};
  SendBuffers sendBuffers;
  // Pause between two capture cycles; tests and benchmarks lower it.
  std::atomic<int> cycleSleepMs{4};
  // Above 0: the capture thread takes no frame beyond this many (a check of
  // an adapter that streams as fast as it is read ends at an exact count).
  std::atomic<int> frameLimit{0};
  // How long a stream that may be a replay stays silent before the capture
  // thread asks the adapter whether the replay has ended.
  std::atomic<int> replaySilenceMs{1000};

 private:
  mutable std::shared_mutex compaction_;
  struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
  };
  void ZeroFrames(int from, int to);
  bool AllocateSummaries(int frames);
  // Folds frame `index` (== summarized_) into its blocks and advances the
  // mark. A block is summarized when its last frame arrives (no one reads the
  // summary of a block before that), from its frames in one pass.
  void FoldFrame(int index) {
    if ((index + 1) % kSummaryFanOut == 0) {
      SummarizeBlocksEndingAt(index);
    }
    summarized_.store(index + 1, std::memory_order_release);
  }
  // Summarizes the block of 32 that frame `index` ends, and each block above
  // that it completes.
  void SummarizeBlocksEndingAt(int index);
  void RebuildSummaries(int frames);

  std::unique_ptr<SampleFrame, FreeDeleter> frames_;
  std::array<std::unique_ptr<FrameBlockSummary, FreeDeleter>, kSummaryLevels> summaries_;
  std::array<int, kSummaryLevels> summaryBlocks_{};
  // Written by the buffer's one writer; read with acquire by the views.
  std::atomic<int> summarized_{0};
  std::atomic<int> touchedFrames_{0};  // slots [0, touchedFrames_) may hold data
};

// The process-wide capture context. ResetCaptureContext replaces it with a new
// one (tests; never while a capture thread runs).
CaptureContext& theCaptureContext();
void ResetCaptureContext();

// The most recent decoder result from 1 to 3, set by the capture thread and the
// chart and flash readers; -1 before any.
extern std::atomic<int> lastFrameLayout;

}  // namespace padscope
