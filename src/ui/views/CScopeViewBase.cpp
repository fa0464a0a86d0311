#include "ui/views/CScopeViewBase.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "capture/CaptureContext.h"
#include "viewlogic/TraceRuns.h"

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
    // A compaction on the capture thread waits until the frames are drawn.
    const auto frames = ctx_.ReadLock();
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
  if (event->type() == QEvent::ToolTip) {
    // The title stays as it is in every language; its tip explains it.
    const auto* help = static_cast<QHelpEvent*>(event);
    const QRect title(QPoint(kTitleX, kTitleY),
                      QSize(fontMetrics().horizontalAdvance(Title()), fontMetrics().height()));
    if (title.contains(help->pos())) {
      QToolTip::showText(help->globalPos(), TitleTip(), this, title);
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

void CScopeViewBase::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The surface is copied, never scaled: pixel positions are the layout's.
  painter.drawImage(QPoint(0, 0), surface_, QRect(0, 0, width(), height()));
}

void CScopeViewBase::DrawTraceLines(const std::vector<QLine>& lines, QRgb colour,
                                    const QRect& clip) {
  const QRect box = clip.intersected(surface_.rect());
  if (lines.empty() || box.isEmpty()) {
    return;
  }
  const QRgb pixel = 0xFF000000u | colour;
  uchar* const bits = surface_.bits();  // the painter draws into the same memory
  const qsizetype stride = surface_.bytesPerLine();
  const int left = box.left();
  const int right = box.right();
  const int top = box.top();
  const int bottom = box.bottom();
  auto put = [&](int x, int y) {
    if (x >= left && x <= right && y >= top && y <= bottom) {
      reinterpret_cast<QRgb*>(bits + y * stride)[x] = pixel;
    }
  };
  for (const QLine& l : lines) {
    int x0 = l.x1();
    int y0 = l.y1();
    const int x1 = l.x2();
    const int y1 = l.y2();
    if (x0 == x1) {  // vertical runs are most of a dense trace
      if (x0 < left || x0 > right) {
        continue;
      }
      const int from = std::max(std::min(y0, y1), top);
      const int to = std::min(std::max(y0, y1), bottom);
      for (int y = from; y <= to; ++y) {
        reinterpret_cast<QRgb*>(bits + y * stride)[x0] = pixel;
      }
      continue;
    }
    // Bresenham from (x0, y0) to (x1, y1).
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (true) {
      put(x0, y0);
      if (x0 == x1 && y0 == y1) {
        break;
      }
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }
}

bool CScopeViewBase::ByRuns(const FrameWalkParams& walk) const {
  return traceWalk_ == TraceWalk::kRuns ||
         (traceWalk_ == TraceWalk::kChoose && RunsPayOff(ctx_, walk));
}

void CScopeViewBase::AddRunLines(std::vector<QLine>& lines, PlotPoint& last, int x,
                                 const RunRows& rows, bool single) {
  if (last.x >= 0) {
    lines.emplace_back(last.x, last.y, x, rows.first);
  }
  if (!single) {
    lines.emplace_back(x, rows.top, x, rows.bottom);
  }
  last = PlotPoint{x, rows.last};
}

void CScopeViewBase::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Refresh();
}

}  // namespace padscope
