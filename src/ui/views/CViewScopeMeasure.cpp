// The waveform view's measure mode: placing and dragging the cursors A and B,
// and drawing them with the span between them.
#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "capture/CaptureContext.h"
#include "state/GlobalSettings.h"
#include "ui/views/CViewScope.h"

namespace padscope {

namespace {

constexpr int kCursorGrip = 4;  // pixels either side of a cursor that pick it up
const QColor kCursorColour[2] = {QColor(255, 196, 64), QColor(110, 200, 255)};
const char* const kCursorName[2] = {"A", "B"};

}  // namespace

void CViewScope::SetMeasuring(bool on) {
  measuring_ = on;
  draggedCursor_ = -1;
  Refresh();
}

void CViewScope::SetCursors(const MeasureCursors& cursors) {
  cursors_ = cursors;
  Refresh();
  emit CursorsChanged(true);
}

int CViewScope::CursorNear(int x) const {
  for (int k : {1, 0}) {
    if (cursorX_[k] >= 0 && std::abs(x - cursorX_[k]) <= kCursorGrip) {
      return k;
    }
  }
  return -1;
}

Qt::CursorShape CViewScope::MeasureHoverShape(QPoint pos) const {
  return CursorNear(pos.x()) >= 0 ? Qt::SizeHorCursor : Qt::CrossCursor;
}

bool CViewScope::PressCursor(QPoint pos) {
  const bool onPlot = pos.x() >= kScopeAxisX && pos.x() <= width() - kScopeRightMargin &&
                      pos.y() >= kScopeTopMargin && pos.y() <= height() - kScopeBottomMargin;
  if (!onPlot) {
    return false;
  }
  draggedCursor_ = CursorNear(pos.x());
  if (draggedCursor_ < 0) {
    const std::optional<int> frame =
        FrameAtX(ctx_, ScopeWalkParams(ctx_, GlobalSettings::Instance().timeAxisMode == 1, width()),
                 pos.x());
    if (!frame) {
      return false;  // nothing drawn to measure
    }
    cursors_.a = cursors_.b = MarkOf(ctx_, *frame);
    draggedCursor_ = 1;
  }
  Refresh();
  emit CursorsChanged(false);
  return true;
}

void CViewScope::DragCursor(QPoint pos) {
  const int x = std::clamp(pos.x(), kScopeAxisX, width() - kScopeRightMargin);
  const std::optional<int> frame = FrameAtX(
      ctx_, ScopeWalkParams(ctx_, GlobalSettings::Instance().timeAxisMode == 1, width()), x);
  if (!frame) {
    return;
  }
  (draggedCursor_ == 0 ? cursors_.a : cursors_.b) = MarkOf(ctx_, *frame);
  Refresh();
  emit CursorsChanged(false);
}

void CViewScope::ReleaseCursor() {
  draggedCursor_ = -1;
  Refresh();
  emit CursorsChanged(true);
}

void CViewScope::PrepareCursorColumns() {
  cursorX_ = {-1, -1};
  cursorIndex_ = {-1, -1};
  if (!measuring_) {
    return;
  }
  if (cursors_.a) {
    cursorIndex_[0] = IndexOf(ctx_, *cursors_.a).value_or(-1);
  }
  if (cursors_.b) {
    cursorIndex_[1] = IndexOf(ctx_, *cursors_.b).value_or(-1);
  }
}

void CViewScope::NoteCursorRuns(const FrameWalkParams& walk) {
  for (size_t k = 0; k < 2; ++k) {
    const int index = cursorIndex_[k];
    const SampleFrame* f = index >= 0 ? ctx_.FrameAt(index) : nullptr;
    // A frame stamped after the end is skipped by the walk, even when the
    // frames around it share a column.
    if (f == nullptr || index >= walk.frameCount || int64_t{f->timestamp} > walk.endTime) {
      continue;
    }
    // The runs go from the newest frame back, each over consecutive frames.
    const auto run = std::partition_point(traceRuns_.begin(), traceRuns_.end(),
                                          [&](const TraceRun& r) { return r.oldest > index; });
    if (run != traceRuns_.end() && run->newest >= index) {
      NoteCursorColumn(index, run->x);
    }
  }
}

void CViewScope::DrawCursors(QPainter& p) const {
  if (!measuring_) {
    return;
  }
  const int top = kScopeTopMargin;
  const int bottom = layout_.height - kScopeBottomMargin;
  const QFontMetrics metrics = p.fontMetrics();
  if (cursorX_[0] >= 0 && cursorX_[1] >= 0 && cursorX_[0] != cursorX_[1]) {
    const int left = std::min(cursorX_[0], cursorX_[1]);
    const int right = std::max(cursorX_[0], cursorX_[1]);
    p.fillRect(QRect(left + 1, top, right - left - 1, bottom - top), QColor(255, 255, 255, 26));
    // The span in a dark box half-way down, between the cursors or beside
    // the left one when it does not fit.
    const int64_t ms =
        std::llabs(FrameTimeMs(ctx_, cursorIndex_[1]) - FrameTimeMs(ctx_, cursorIndex_[0]));
    const QString text = tr("Δt %1 · %2 frames")
                             .arg(QString::fromStdString(FormatDuration(ms)))
                             .arg(std::abs(cursorIndex_[1] - cursorIndex_[0]));
    const int w = metrics.horizontalAdvance(text) + 8;
    const int h = metrics.height() + 2;
    int x = (left + right - w) / 2;
    if (w + 8 > right - left) {
      x = left - w - 4 >= kScopeAxisX ? left - w - 4 : right + 4;
    }
    const QRect box(x, (top + bottom - h) / 2, w, h);
    p.fillRect(box, QColor(0, 0, 0, 190));
    p.setPen(Qt::white);
    p.drawText(box, Qt::AlignCenter, text);
  }
  for (size_t k = 0; k < 2; ++k) {
    const int x = cursorX_[k];
    if (x < 0) {
      continue;
    }
    p.setPen(QPen(kCursorColour[k], 1, Qt::DashLine));
    p.drawLine(x, top, x, bottom);
    // The letter sits on the time axis, where no trace is drawn.
    const QRect tag(x - 7, bottom + 1, 15, metrics.height());
    p.fillRect(tag, kCursorColour[k]);
    p.setPen(Qt::black);
    p.drawText(tag, Qt::AlignCenter, QString::fromLatin1(kCursorName[k]));
  }
}

}  // namespace padscope
