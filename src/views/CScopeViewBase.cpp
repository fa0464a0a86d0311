#include "views/CScopeViewBase.h"

#include <QPainter>
#include <chrono>

#include "capture/CaptureContext.h"

namespace padscope {

namespace {
constexpr int kSurfaceWidth = 2560;
constexpr int kSurfaceHeight = 1440;
constexpr int kTimerMs = 40;
constexpr int kPaintShare = 4;  // a timed paint may use one part in four of the time
}  // namespace

CScopeViewBase::CScopeViewBase(CaptureContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), surface_(kSurfaceWidth, kSurfaceHeight, QImage::Format_RGB32) {
  surface_.fill(Qt::black);
  setAttribute(Qt::WA_OpaquePaintEvent);
  connect(&timer_, &QTimer::timeout, this, &CScopeViewBase::OnTimer);
  timer_.start(kTimerMs);
}

void CScopeViewBase::OnTimer() {
  const int state = ctx_.runState;
  if (state != kRunRunning && state != kRunReplaying) {
    return;
  }
  // A paint may take longer than a tick on a large window; the timer then
  // skips ticks so painting never takes more than a quarter of the time and a
  // chart being read (which handles events as it goes) keeps moving.
  const auto now = std::chrono::steady_clock::now();
  if (now < nextTimedPaint_) {
    return;
  }
  Refresh();
  const auto took = std::chrono::steady_clock::now() - now;
  nextTimedPaint_ = now + kPaintShare * took;
}

void CScopeViewBase::Refresh() {
  const QRect area(0, 0, std::min(width(), kSurfaceWidth), std::min(height(), kSurfaceHeight));
  if (area.width() > 0 && area.height() > 0) {
    QPainter painter(&surface_);
    Render(painter, area);
  }
  ++refreshCount_;
  update();
}

bool CScopeViewBase::event(QEvent* event) {
  if (event->type() == kViewRefreshEvent) {
    Refresh();
    return true;
  }
  return QWidget::event(event);
}

void CScopeViewBase::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The surface is copied, never scaled: pixel positions are the layout's.
  painter.drawImage(QPoint(0, 0), surface_, QRect(0, 0, width(), height()));
}

void CScopeViewBase::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Refresh();
}

}  // namespace padscope
