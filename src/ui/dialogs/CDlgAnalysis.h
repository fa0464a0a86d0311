#pragma once

#include <QStringList>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;
class QTextEdit;

namespace padscope {

class CaptureContext;
class HidAdapter;

// What the flash page works on; the main frame fills it in. Everything it
// refers to outlives the page.
struct FlashPageContext {
  CaptureContext& capture;
  HidAdapter& adapter;
  // Cleared by the main frame's device-removal handling.
  std::atomic<bool>& devicePresent;
  // Frames to allocate when the capture context has no buffer yet.
  std::function<int()> bufferFrames;
  // A Connect succeeded: refresh the line-mode status pane.
  std::function<void(const HidAdapter&)> adapterConnected;
  // Saves the buffer as a chart; the chart's file name when one was written.
  std::function<std::optional<std::string>()> saveChart;
};

// Lines the log pane keeps; older ones scroll away. A load adds a line per
// round and must not grow the pane without bound.
inline constexpr int kFlashLogLineCap = 1000;

// The flash page ("Wave reduction") of the Utilities dialog: loads the
// adapter's flash recording into the capture buffer and saves it as a chart,
// erases the flash, and writes a chart back with read-back and verify.
// UI thread; the write runs on a worker thread whose updates reach the page
// through queued calls.
class CDlgAnalysis : public QWidget {
  Q_OBJECT

 public:
  explicit CDlgAnalysis(FlashPageContext context, QWidget* parent = nullptr);
  // A write worker still running goes on without the page (call FinishWrite
  // first to wait for it).
  ~CDlgAnalysis() override;

  // Waits, handling events, until a running write worker has ended.
  void FinishWrite();

  QPushButton* loadButton() const { return load_; }
  QPushButton* eraseButton() const { return erase_; }
  QPushButton* writeButton() const { return write_; }
  QProgressBar* progressBar() const { return progress_; }
  QLabel* statusLabel() const { return status_; }
  QTextEdit* logPane() const { return log_; }
  // True from the Write flash click until its worker has ended.
  bool WriteRunning() const { return writeRunning_->load(); }

  void OnLoadFlash();
  void OnErase();
  void OnWriteFlash();

  // One green line at the end of the log pane, scrolled into view. Lines are
  // gathered and added together when events are handled next.
  void AppendLog(const QString& line);
  void FlushLog();

 private:
  class Host;
  class Sink;

  FlashPageContext context_;
  QPushButton* load_;
  QPushButton* erase_;
  QPushButton* write_;
  QProgressBar* progress_;
  QLabel* status_;
  QTextEdit* log_;
  QStringList pendingLog_;
  std::shared_ptr<Sink> sink_;
  std::shared_ptr<std::atomic<bool>> writeRunning_;
  std::thread writer_;
};

}  // namespace padscope
