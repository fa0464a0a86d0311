#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "flash/FlashHost.h"

namespace padscope {

// Texts the flash operations show.
inline constexpr const char* kFlashFileFilter =
    "TK Raw Data Files (*.tkchart)|*.tkchart|All Files (*.*)|*.*||";
inline constexpr const char* kMsgStopCaptureFirst = "Please stop main capture thread first.";
inline constexpr const char* kMsgNoDevice = "NO device.";
inline constexpr const char* kMsgMemoryFailed = "Memory allocate failed.";
inline constexpr const char* kMsgEraseRefused = "read buffer failed.";
inline constexpr const char* kMsgFileOpenFailed = "File open failed.";
inline constexpr const char* kMsgFileReadFailed = "Open file failed.";
inline constexpr const char* kMsgImageTooShort =
    "The file is too short for a flash image: it must hold more than its 64-byte end record.";
inline constexpr const char* kMsgImageNotAFile =
    "The chosen item is not a regular file: a flash image is read from a chart file.";
// Formatted with the image's and the flash's size in bytes.
inline constexpr const char* kMsgImageTooLarge =
    "The image (%lld bytes) is larger than the adapter's flash (%lld bytes): nothing was erased.";
inline constexpr const char* kMsgLoadBufferFull =
    "The frame buffer is full: the recording was cut.";
inline constexpr const char* kMsgWriteSuccess = "Write Flash success.";
inline constexpr const char* kStatusEraseDone = "Erasing Done.";
inline constexpr const char* kStatusEraseRemoved = "Erase error:Device Remove !";
inline constexpr const char* kStatusVerifyFailed = "Verify failed !";
// Formatted with the seconds the erase has taken.
inline constexpr const char* kStatusErasePastEstimate = "Erasing takes longer than expected: %d s";
inline constexpr const char* kStatusEraseStillBusy =
    "Erase error: the adapter is still erasing. Nothing was written.";

// Every flash operation starts here: refuses while capture (or a load or a
// replay) owns the buffer, connects the adapter and tells the host. On a failed
// connection `clearPresence` also clears devicePresent (the Erase button does).
// Shows its message and returns false when the operation must not go on.
bool FlashPrecondition(const FlashTargets& t, FlashHost& host, bool clearPresence = false);

// --- Load flash data ---------------------------------------------------------

// Why a load ended.
enum class LoadEnd {
  None,        // it did not start (precondition, memory)
  BlankFlash,  // more than 1000 blank frames were met: the recording is over
  FrameLimit,  // the size code's frame limit was reached
  BufferFull,  // the capture buffer has no room for another frame
  ReadFailed,  // the adapter stopped answering (unplugged)
  NoModel,     // neither model flag is set: nothing was read
};

struct LoadResult {
  LoadEnd end = LoadEnd::None;
  int frames = 0;                        // frames stored (writeIndex)
  std::optional<std::string> chartName;  // set when the chart was saved
};

// Load flash data, on the UI thread: reads the adapter's recording into the
// capture buffer on a loader thread while this thread keeps the page's status,
// log and events going; then offers to save it as a chart.
LoadResult RunFlashLoad(const FlashTargets& t, FlashHost& host);

// --- Erase ------------------------------------------------------------------

enum class EraseEnd {
  None,      // it did not start (precondition)
  Refused,   // the erase command failed
  Idle,      // the adapter reported idle
  Estimate,  // the size code's estimate passed first
  Removed,   // the adapter was removed while erasing
};

// The Erase button, on the UI thread.
EraseEnd RunFlashErase(const FlashTargets& t, FlashHost& host);

// Waits for a running erase: asks for the flash information every 500 ms
// until the adapter reports idle or the size code's estimate has passed,
// showing the progress. With watchPresence the wait also ends when
// devicePresent is cleared. With untilIdle an erase that outlasts its
// estimate is waited for up to twice the estimate. Returns Idle, Estimate
// (still busy) or Removed.
EraseEnd WaitForErase(const FlashTargets& t, FlashHost& host, bool watchPresence,
                      bool untilIdle = false);

// --- Write flash --------------------------------------------------------------

enum class WriteEnd {
  Cancelled,       // no file chosen
  OpenFailed,      // "File open failed."
  ReadFailed,      // "Open file failed."
  TooShort,        // no image in the file
  NotAFile,        // a directory, a pipe or a device: never opened
  TooLarge,        // the image does not fit the adapter's flash
  NoMemory,        // the image or its read-back buffer could not be allocated
  StillErasing,    // the erase outlasted twice its estimate: nothing was written
  WriteFailed,     // the adapter refused the image
  ReadBackFailed,  // the adapter refused to read it back
  VerifyFailed,    // what was read back differs
  Success,
};

// Asks for the image file as the Write flash button does.
std::optional<std::filesystem::path> ChooseFlashImage();

// Writes a file's image (all but its last 64 bytes) into the flash: erase and
// its wait (never writing while the adapter still erases), write, read back
// and verify, with a progress animation on its own
// thread meanwhile. Nothing is erased before the image is known to be good: a
// regular file whose image is not empty and fits the adapter's flash, read
// whole into memory. Runs on a worker thread of the page (or the CLI's
// thread) and lets no exception out; every host call may come from there or
// from the animation thread, which has ended when this returns.
WriteEnd WriteFlashImage(const FlashTargets& t, FlashHost& host, const std::filesystem::path& file);

// Whether the write got as far as the erase (its status then tells the end).
inline bool WriteStarted(WriteEnd end) {
  return end == WriteEnd::StillErasing || end == WriteEnd::WriteFailed ||
         end == WriteEnd::ReadBackFailed || end == WriteEnd::VerifyFailed ||
         end == WriteEnd::Success;
}

// The write worker: ChooseFlashImage, then WriteFlashImage.
WriteEnd RunFlashWriteWorker(const FlashTargets& t, FlashHost& host);

}  // namespace padscope
