#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "flash/FlashOperations.h"

namespace padscope {

class CaptureContext;
class HidAdapter;

// A blank frame met after more than this many blank frames ends a load.
inline constexpr int kBlankFramesBeforeEnd = 1000;
// Failed frame reads in a row after which the adapter is taken as gone.
inline constexpr int kFailedReadsBeforeEnd = 3;

// The loader thread: streams the adapter's flash frame by frame into the raw
// bytes of the capture buffer, advancing writeIndex for every recorded frame.
// It stops after the 1,001st blank frame, at the size code's frame limit, at
// the end of the buffer, or when reads keep failing. Blank frames are not
// stored. The object must outlive the thread: the destructor joins it.
class FlashLoader {
 public:
  FlashLoader() = default;
  ~FlashLoader();
  FlashLoader(const FlashLoader&) = delete;
  FlashLoader& operator=(const FlashLoader&) = delete;

  // Starts the thread; adapter and context must outlive it.
  void Start(HidAdapter& adapter, CaptureContext& ctx);
  // Runs the loader on the calling thread (the benchmark and the CLI).
  void Run(HidAdapter& adapter, CaptureContext& ctx);
  // Waits up to `ms` for the loader to finish; true when it has.
  bool WaitFinished(int ms);
  void Join();

  // Set when the blank frames said the recording is over.
  bool LoadDone() const { return loadDone_.load(std::memory_order_acquire); }
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  // Why it ended; None while it runs.
  LoadEnd End() const { return end_.load(std::memory_order_acquire); }

 private:
  LoadEnd ReadFrames(HidAdapter& adapter, CaptureContext& ctx, int limit);
  void Finish(LoadEnd end);

  std::thread thread_;
  std::atomic<bool> loadDone_{false};
  std::atomic<bool> finished_{false};
  std::atomic<LoadEnd> end_{LoadEnd::None};
  std::mutex mutex_;
  std::condition_variable finishedChanged_;
};

}  // namespace padscope
