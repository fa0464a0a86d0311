// Write flash: the worker that erases, writes a chart's frames into the
// adapter's flash, reads them back and verifies them.
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "flash/FlashGeometry.h"
#include "flash/FlashOperations.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"
#include "platform/FileBytes.h"
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

// The image is the file without its last 64 bytes (a chart's 0xFF end
// record). Only a regular file is opened: a pipe would block the worker, a
// directory has no size worth believing.
WriteEnd CheckImageFile(const std::filesystem::path& file, uintmax_t& imageLength) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(file, ec);
  if (!std::filesystem::exists(status)) {
    return WriteEnd::OpenFailed;
  }
  if (!std::filesystem::is_regular_file(status)) {
    return WriteEnd::NotAFile;
  }
  const uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) {
    return WriteEnd::OpenFailed;
  }
  if (size <= kBlockLength) {
    return WriteEnd::TooShort;
  }
  imageLength = size - kBlockLength;
  return WriteEnd::Success;
}

// Fills `image` from the start of the file; false when the file holds less,
// or is no longer a regular file (swapped since the check: never waited on).
bool ReadImage(const std::filesystem::path& file, std::vector<uint8_t>& image) {
  uintmax_t size = 0;
  std::FILE* in = OpenRegularFile(file, size);
  if (in == nullptr) {
    return false;
  }
  const bool read = std::fread(image.data(), 1, image.size(), in) == image.size();
  std::fclose(in);
  return read;
}

const char* FileMessage(WriteEnd end) {
  switch (end) {
    case WriteEnd::OpenFailed:
      return kMsgFileOpenFailed;
    case WriteEnd::NotAFile:
      return kMsgImageNotAFile;
    default:
      return kMsgImageTooShort;
  }
}

int SecondsSince(FlashClock& clock, uint32_t start) {
  return static_cast<int>((clock.NowMs() - start) / 1000);
}

// WriteFlashImage once the image is in memory and its read-back buffer ready.
WriteEnd WriteCheckedImage(const FlashTargets& t, FlashHost& host,
                           const std::vector<uint8_t>& image, std::vector<uint8_t>& readBack) {
  HidAdapter& adapter = t.adapter;
  const bool corvex = adapter.isCorvex;
  const int length = static_cast<int>(image.size());

  // A refused erase does not stop the write; one still running does: what a
  // chip that erases takes in is lost.
  if (corvex ? adapter.EraseFlash() : adapter.EraseFlashP()) {
    host.EnableButtons(false);
    host.SetStatus("Start to Erase..");
    const EraseEnd erased = WaitForErase(t, host, false, true);
    host.ShowProgress(false);
    if (erased != EraseEnd::Idle) {
      host.SetStatus(kStatusEraseStillBusy);
      host.EnableButtons(true);
      return WriteEnd::StillErasing;
    }
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

WriteEnd WriteImageFile(const FlashTargets& t, FlashHost& host, const std::filesystem::path& file) {
  host.SetStatus("Load file: " + file.filename().string());
  uintmax_t length = 0;
  const WriteEnd checked = CheckImageFile(file, length);
  if (checked != WriteEnd::Success) {
    ShowPrompt(FileMessage(checked));
    return checked;
  }
  // The whole image must fit the flash the adapter reports (which also keeps
  // every length below what a transfer counts in).
  const long long flashBytes =
      static_cast<long long>(ReadFlashInfo(t.adapter).Geometry().frameLimit) * kBlockLength;
  if (length > static_cast<uintmax_t>(flashBytes)) {
    char text[160];
    std::snprintf(text, sizeof text, kMsgImageTooLarge, static_cast<long long>(length), flashBytes);
    ShowPrompt(text);
    return WriteEnd::TooLarge;
  }
  // Both buffers before the erase: short of memory, the flash stays as it is.
  std::vector<uint8_t> image(static_cast<size_t>(length));
  std::vector<uint8_t> readBack(static_cast<size_t>(length));
  if (!ReadImage(file, image)) {
    ShowPrompt(kMsgFileReadFailed);
    return WriteEnd::ReadFailed;
  }
  return WriteCheckedImage(t, host, image, readBack);
}

// The worker thread is the boundary: no exception may escape it, least of all
// an allocation failure on a large image.
template <typename Work>
WriteEnd Guarded(FlashHost& host, Work&& work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    ShowPrompt(kMsgMemoryFailed);
    host.EnableButtons(true);
    return WriteEnd::NoMemory;
  } catch (const std::exception&) {
    ShowPrompt(kMsgFileReadFailed);
    host.EnableButtons(true);
    return WriteEnd::ReadFailed;
  }
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
  return Guarded(host, [&] { return WriteImageFile(t, host, file); });
}

WriteEnd RunFlashWriteWorker(const FlashTargets& t, FlashHost& host) {
  return Guarded(host, [&] {
    const std::optional<std::filesystem::path> file = ChooseFlashImage();
    return file ? WriteImageFile(t, host, *file) : WriteEnd::Cancelled;
  });
}

}  // namespace padscope
