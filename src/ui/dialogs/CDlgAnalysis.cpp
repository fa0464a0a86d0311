#include "ui/dialogs/CDlgAnalysis.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QThread>
#include <QVBoxLayout>
#include <chrono>
#include <mutex>

#include "flash/FlashOperations.h"

namespace padscope {

namespace {

// 182 twips.
constexpr double kLogPointSize = 182 / 20.0;

bool OnUiThread() {
  return QCoreApplication::instance() != nullptr &&
         QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

// Leads the operations' calls to the page while it exists: directly on the UI
// thread, queued from the write worker and its animation thread.
class CDlgAnalysis::Sink {
 public:
  explicit Sink(CDlgAnalysis* page) : page_(page) {}

  void Detach() {
    std::lock_guard lock(mutex_);
    page_ = nullptr;
  }
  bool Alive() {
    std::lock_guard lock(mutex_);
    return page_ != nullptr;
  }
  void Post(std::function<void(CDlgAnalysis&)> change) {
    std::lock_guard lock(mutex_);
    if (page_ == nullptr) {
      return;
    }
    if (OnUiThread()) {
      change(*page_);
      return;
    }
    QPointer<CDlgAnalysis> page(page_);
    QMetaObject::invokeMethod(
        page_,
        [page, change = std::move(change)] {
          if (page) {
            change(*page);
          }
        },
        Qt::QueuedConnection);
  }

 private:
  std::mutex mutex_;
  CDlgAnalysis* page_;
};

class CDlgAnalysis::Host : public FlashHost {
 public:
  Host(std::shared_ptr<Sink> sink, FlashPageContext context)
      : sink_(std::move(sink)), context_(std::move(context)) {}

  void SetStatus(const std::string& text) override {
    sink_->Post([t = QString::fromStdString(text)](CDlgAnalysis& p) { p.status_->setText(t); });
  }
  void AppendLog(const std::string& line) override {
    sink_->Post([l = QString::fromStdString(line)](CDlgAnalysis& p) { p.AppendLog(l); });
  }
  void ShowProgress(bool shown) override {
    sink_->Post([shown](CDlgAnalysis& p) { p.progress_->setVisible(shown); });
  }
  void SetProgressRange(int maximum) override {
    sink_->Post([maximum](CDlgAnalysis& p) { p.progress_->setRange(0, maximum); });
  }
  void SetProgress(int position) override {
    sink_->Post([position](CDlgAnalysis& p) { p.progress_->setValue(position); });
  }
  void EnableButtons(bool enabled) override {
    sink_->Post([enabled](CDlgAnalysis& p) {
      for (QPushButton* b : {p.load_, p.erase_, p.write_}) {
        b->setEnabled(enabled);
      }
    });
  }
  void DispatchEvents() override {
    // Only the UI thread handles events; the worker's rounds just go on.
    if (OnUiThread()) {
      sink_->Post([](CDlgAnalysis& p) { p.FlushLog(); });
      QCoreApplication::processEvents();
    }
  }
  void AdapterConnected(const HidAdapter& adapter) override {
    if (context_.adapterConnected) {
      context_.adapterConnected(adapter);
    }
  }
  std::optional<std::string> SaveLoadedChart() override {
    sink_->Post([](CDlgAnalysis& p) { p.FlushLog(); });
    return context_.saveChart ? context_.saveChart() : std::nullopt;
  }
  bool PageAlive() override { return sink_->Alive(); }

 private:
  std::shared_ptr<Sink> sink_;
  const FlashPageContext context_;  // a copy: a worker may outlive the page
};

CDlgAnalysis::CDlgAnalysis(FlashPageContext context, QWidget* parent)
    : QWidget(parent),
      context_(std::move(context)),
      load_(new QPushButton(QStringLiteral("加载 Flash 数据"), this)),
      erase_(new QPushButton(QStringLiteral("擦除 Flash"), this)),
      write_(new QPushButton(QStringLiteral("写 Flash"), this)),
      progress_(new QProgressBar(this)),
      status_(new QLabel(this)),
      log_(new QTextEdit(this)),
      sink_(std::make_shared<Sink>(this)),
      writeRunning_(std::make_shared<std::atomic<bool>>(false)) {
  // 358 × 190 dialog units at the usual 1.5 pixels per unit.
  setMinimumSize(537, 309);
  status_->setTextFormat(Qt::PlainText);  // file names, adapter replies
  progress_->hide();
  status_->setAlignment(Qt::AlignCenter);
  log_->setReadOnly(true);
  log_->setUndoRedoEnabled(false);
  log_->setAcceptRichText(true);
  log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_->document()->setMaximumBlockCount(kFlashLogLineCap);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {load_, erase_, write_}) {
    buttons->addWidget(b);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(progress_);
  layout->addWidget(status_);
  layout->addWidget(log_, 1);

  connect(load_, &QPushButton::clicked, this, &CDlgAnalysis::OnLoadFlash);
  connect(erase_, &QPushButton::clicked, this, &CDlgAnalysis::OnErase);
  connect(write_, &QPushButton::clicked, this, &CDlgAnalysis::OnWriteFlash);
}

CDlgAnalysis::~CDlgAnalysis() {
  sink_->Detach();
  if (writer_.joinable()) {
    // Its updates go nowhere now; it keeps only what outlives the page.
    if (writeRunning_->load()) {
      writer_.detach();
    } else {
      writer_.join();
    }
  }
}

void CDlgAnalysis::FinishWrite() {
  // The worker may be waiting for a file dialog or a message box on this
  // thread, so events are handled while it runs.
  while (writeRunning_->load()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  if (writer_.joinable()) {
    writer_.join();
  }
}

void CDlgAnalysis::OnLoadFlash() {
  Host host(sink_, context_);
  const FlashTargets targets{context_.adapter, context_.capture,
                             context_.bufferFrames ? context_.bufferFrames() : 0,
                             context_.devicePresent};
  RunFlashLoad(targets, host);
  FlushLog();
}

void CDlgAnalysis::OnErase() {
  Host host(sink_, context_);
  const FlashTargets targets{context_.adapter, context_.capture, 0, context_.devicePresent};
  RunFlashErase(targets, host);
}

void CDlgAnalysis::OnWriteFlash() {
  if (writeRunning_->load()) {
    return;  // one write at a time; its buttons come back when it ends
  }
  Host check(sink_, context_);
  const FlashTargets targets{context_.adapter, context_.capture, 0, context_.devicePresent};
  if (!FlashPrecondition(targets, check)) {
    return;
  }
  if (writer_.joinable()) {
    writer_.join();
  }
  writeRunning_->store(true);
  writer_ = std::thread(
      [host = std::make_shared<Host>(sink_, context_), targets, running = writeRunning_] {
        RunFlashWriteWorker(targets, *host);
        running->store(false);
      });
}

void CDlgAnalysis::AppendLog(const QString& line) {
  if (log_ == nullptr) {
    return;
  }
  pendingLog_.append(line);
}

void CDlgAnalysis::FlushLog() {
  if (pendingLog_.isEmpty()) {
    return;
  }
  // Only the newest lines the pane keeps are worth laying out.
  if (pendingLog_.size() > kFlashLogLineCap) {
    pendingLog_.erase(pendingLog_.begin(), pendingLog_.end() - kFlashLogLineCap);
  }
  QTextCharFormat format;
  format.setForeground(QColor(0, 128, 0));
  format.setFontPointSize(kLogPointSize);
  format.setFontWeight(QFont::Normal);
  QTextCursor cursor(log_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(pendingLog_.join(QLatin1Char('\n')) + QLatin1Char('\n'), format);
  pendingLog_.clear();
  log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

}  // namespace padscope
