// Write flash: the worker that erases, writes a chart's frames into the
// adapter's flash, reads them back and verifies them.
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "flash/FlashOperations.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"
#include "platform/Prompt.h"

namespace padscope {

namespace {

constexpr int kAnimationSteps = 1000;
constexpr int kAnimationStepMs = 200;

// Moves the progress bar while the write and read-back run (they report no
// progress of their own): one step per 200 ms for at most 200 s, until done.
class ProgressAnimation {
 public:
  explicit ProgressAnimation(FlashHost& host) : host_(host), thread_([this] { Run(); }) {}
  ~ProgressAnimation() { Stop(); }

  // Sets the write-done flag and waits for the thread.
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
      thread_.join();
    }
  }

 private:
  void Run() {
    host_.ShowProgress(true);
    host_.SetProgressRange(kAnimationSteps);
    host_.SetProgress(0);
    std::unique_lock lock(mutex_);
    for (int i = 0; i < kAnimationSteps && host_.PageAlive(); ++i) {
      host_.SetProgress(i);
      if (changed_.wait_for(lock, std::chrono::milliseconds(kAnimationStepMs),
                            [this] { return done_; })) {
        host_.ShowProgress(false);
        return;
      }
    }
  }

  FlashHost& host_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
  std::thread thread_;  // last: started once the rest is ready
};

std::string TimeStatus(const char* format, int write, int read = 0) {
  char text[96];
  std::snprintf(text, sizeof text, format, write, read);
  return text;
}

enum class FileResult { Ok, OpenFailed, ReadFailed, TooShort };

// The image is the file without its last 64 bytes (a chart's 0xFF end record).
FileResult ReadImage(const std::filesystem::path& file, std::vector<uint8_t>& image) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) {
    return FileResult::OpenFailed;
  }
  const std::streamoff size = in.tellg();
  if (size <= kBlockLength) {
    return FileResult::TooShort;
  }
  image.resize(static_cast<size_t>(size - kBlockLength));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()))) {
    return FileResult::ReadFailed;
  }
  return FileResult::Ok;
}

int SecondsSince(FlashClock& clock, uint32_t start) {
  return static_cast<int>((clock.NowMs() - start) / 1000);
}

}  // namespace

std::optional<std::filesystem::path> ChooseFlashImage() {
  FileRequest request;
  request.kind = FileDialogKind::Open;
  request.filter = kFlashFileFilter;
  request.defaultExtension = "bin";
  return TheFileChooser()->Choose(request);
}

WriteEnd WriteFlashImage(const FlashTargets& t, FlashHost& host,
                         const std::filesystem::path& file) {
  host.SetStatus("Load file: " + file.filename().string());
  std::vector<uint8_t> image;
  switch (ReadImage(file, image)) {
    case FileResult::OpenFailed:
      ShowPrompt(kMsgFileOpenFailed);
      return WriteEnd::OpenFailed;
    case FileResult::ReadFailed:
      ShowPrompt(kMsgFileReadFailed);
      return WriteEnd::ReadFailed;
    case FileResult::TooShort:
      ShowPrompt(kMsgImageTooShort);
      return WriteEnd::TooShort;
    case FileResult::Ok:
      break;
  }
  HidAdapter& adapter = t.adapter;
  const bool corvex = adapter.isCorvex;
  const int length = static_cast<int>(image.size());

  // A refused erase does not stop the write.
  if (corvex ? adapter.EraseFlash() : adapter.EraseFlashP()) {
    host.EnableButtons(false);
    host.SetStatus("Start to Erase..");
    WaitForErase(t, host, false);
    host.ShowProgress(false);
    host.SetStatus(kStatusEraseDone);
  }

  host.SetStatus("Start to write flash...");
  ProgressAnimation animation(host);
  uint32_t start = t.clock.NowMs();
  const bool written =
      corvex ? adapter.WriteData(image.data(), length) : adapter.WriteBlocks(image.data(), length);
  if (!written) {
    animation.Stop();
    host.EnableButtons(true);
    return WriteEnd::WriteFailed;
  }
  const int writeSeconds = SecondsSince(t.clock, start);
  host.SetStatus(TimeStatus("Write time: %d s, Start to read flash...", writeSeconds));

  std::vector<uint8_t> readBack(image.size());
  start = t.clock.NowMs();
  const bool read = corvex ? adapter.ReadData(readBack.data(), length)
                           : adapter.ReadBlocks(readBack.data(), length);
  if (!read) {
    animation.Stop();
    host.EnableButtons(true);
    return WriteEnd::ReadBackFailed;
  }
  const int readSeconds = SecondsSince(t.clock, start);
  host.SetStatus(TimeStatus("Write time: %d s, Read time: %d s, Start to Verify...", writeSeconds,
                            readSeconds));

  const bool same = readBack == image;
  animation.Stop();
  if (!same) {
    host.SetStatus(kStatusVerifyFailed);
    host.EnableButtons(true);
    return WriteEnd::VerifyFailed;
  }
  host.SetStatus(
      TimeStatus("Write time: %d s, Read time: %d s, Verify success.", writeSeconds, readSeconds));
  ShowPrompt(kMsgWriteSuccess);
  host.EnableButtons(true);
  return WriteEnd::Success;
}

WriteEnd RunFlashWriteWorker(const FlashTargets& t, FlashHost& host) {
  const std::optional<std::filesystem::path> file = ChooseFlashImage();
  if (!file) {
    return WriteEnd::Cancelled;
  }
  return WriteFlashImage(t, host, *file);
}

}  // namespace padscope
