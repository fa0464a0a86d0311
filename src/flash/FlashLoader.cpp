#include "flash/FlashLoader.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "capture/CaptureContext.h"
#include "flash/FlashGeometry.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"

namespace padscope {

FlashLoader::~FlashLoader() {
  Join();
}

void FlashLoader::Start(HidAdapter& adapter, CaptureContext& ctx) {
  Join();
  loadDone_ = false;
  finished_ = false;
  end_ = LoadEnd::None;
  thread_ = std::thread([this, &adapter, &ctx] { Run(adapter, ctx); });
}

void FlashLoader::Join() {
  if (thread_.joinable()) {
    thread_.join();
  }
}

bool FlashLoader::WaitFinished(int ms) {
  std::unique_lock lock(mutex_);
  return finishedChanged_.wait_for(lock, std::chrono::milliseconds(ms),
                                   [this] { return Finished(); });
}

void FlashLoader::Finish(LoadEnd end) {
  {
    std::lock_guard lock(mutex_);
    end_.store(end, std::memory_order_release);
    finished_.store(true, std::memory_order_release);
  }
  finishedChanged_.notify_all();
}

void FlashLoader::Run(HidAdapter& adapter, CaptureContext& ctx) {
  const int limit = ReadFlashInfo(adapter).Geometry().frameLimit;
  const bool corvex = adapter.isCorvex;
  if (corvex) {
    adapter.StartFlashDump();
  } else if (adapter.isPelmira) {
    adapter.SendOpcodeWithByte(kOpStartFlashDumpP, 0);
  } else {
    Finish(LoadEnd::NoModel);
    return;
  }
  const LoadEnd end = ReadFrames(adapter, ctx, limit);
  if (corvex) {
    adapter.EndFlashDump();
  } else {
    adapter.EndFlashDumpP();
  }
  Finish(end);
}

LoadEnd FlashLoader::ReadFrames(HidAdapter& adapter, CaptureContext& ctx, int limit) {
  uint8_t blank[kStreamPayloadLength];
  std::memset(blank, 0xFF, sizeof blank);
  int blankFrames = 0;  // every blank frame met, not only consecutive ones
  int failedReads = 0;
  // Only this thread writes writeIndex during a load.
  int index = ctx.writeIndex.load(std::memory_order_relaxed);
  while (index < limit) {
    SampleFrame* frame = ctx.FrameForWrite(index);  // null past the end of the buffer
    if (frame == nullptr) {
      return LoadEnd::BufferFull;
    }
    if (!adapter.ReadStream(frame->raw, kStreamPayloadLength)) {
      // A failed read leaves nothing worth keeping in the slot; an adapter
      // that keeps failing has been removed.
      if (++failedReads >= kFailedReadsBeforeEnd) {
        return LoadEnd::ReadFailed;
      }
      continue;
    }
    failedReads = 0;
    if (std::memcmp(frame->raw, blank, sizeof blank) == 0) {
      if (blankFrames > kBlankFramesBeforeEnd) {
        loadDone_.store(true, std::memory_order_release);
        return LoadEnd::BlankFlash;
      }
      ++blankFrames;  // the next read overwrites the slot
      continue;
    }
    ctx.CommitFrame(index);
    ++index;
  }
  return LoadEnd::FrameLimit;
}

}  // namespace padscope
