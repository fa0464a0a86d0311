#include "ui/views/CViewScope.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QWheelEvent>
#include <algorithm>
#include <limits>
#include <string>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "commands/DisplayCommands.h"
#include "platform/Prompt.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/ViewHost.h"

namespace padscope {

namespace {

constexpr int kSurfaceWidth = 2560;
constexpr int kSurfaceHeight = 1440;
constexpr int kWatchMinFrames = 10;

QColor ColourOf(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

// Text is placed by its top-left corner, as the layout gives it.
void DrawTextAt(QPainter& p, int x, int y, const QString& text) {
  p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
}

void DrawTextAt(QPainter& p, int x, int y, const std::string& text) {
  DrawTextAt(p, x, y, QString::fromStdString(text));
}

void Polyline(QPainter& p, std::initializer_list<QPoint> points) {
  p.drawPolyline(QPolygon(QList<QPoint>(points)));
}

ScopeScale ScaleFrom(const GlobalSettings& s, int height) {
  return {s.EffectiveRangeMax(), s.EffectiveRangeMin(), height - 30};
}

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The smallest time stamp of frames 0 .. count-2; all ones when there is none,
// so that the lower pan bound (this + 1000) wraps as the pan commands' does.
uint32_t EarliestTimestamp(const CaptureContext& ctx) {
  uint32_t earliest = std::numeric_limits<uint32_t>::max();
  for (int i = 0; i <= ctx.WriteIndex() - 2; ++i) {
    const SampleFrame* f = ctx.FrameAt(i);
    if (f == nullptr) {
      break;
    }
    earliest = std::min(earliest, f->timestamp);
  }
  return earliest;
}

// Drag and pan steps triple while Ctrl is held.
int StepFactor(const QMouseEvent* event) {
  return (event->modifiers() & Qt::ControlModifier) ? 3 : 1;
}

}  // namespace

CViewScope::CViewScope(CaptureContext& ctx, FrameFields& fields, QWidget* parent,
                       ScopeRepeater::Timing repeatTiming)
    : CScopeViewBase(ctx, parent),
      fields_(fields),
      whitePen_(QColor(255, 255, 255), 1, Qt::SolidLine),
      handlePen_(QColor(0, 255, 255), 2, Qt::SolidLine),
      gridPen_(QColor(91, 86, 81), 1, Qt::DotLine),
      watchPen_(QColor(255, 0, 0), 1, Qt::DashDotLine),
      crossPen_(QColor(204, 204, 204), 1, Qt::DotLine),
      repeater_(
          [this](int button) {
            // The worker only schedules: the operations and the repaint run
            // on the UI thread, which owns the settings and the widgets.
            // pressGeneration_ is written before this worker started and not
            // again until it has been joined.
            const uint64_t generation = pressGeneration_;
            QMetaObject::invokeMethod(
                this, [this, button, generation] { RunButtonStep(button, generation); },
                Qt::QueuedConnection);
          },
          repeatTiming) {
  const GlobalSettings& settings = GlobalSettings::Instance();
  for (int i = 0; i < kSettingsChannelCount; ++i) {
    channelPens_[i] = QPen(ColourOf(settings.channelColor[i]), 1, Qt::SolidLine);
  }
  // Hover feedback needs moves without a held button.
  setMouseTracking(true);
}

CViewScope::~CViewScope() {
  // The worker posts to this object: it must end before the object does.
  repeater_.Release();
}

void CViewScope::LayOut(int width, int height) {
  layout_ = LayOutScope(width, height);
  laidOut_ = true;
  maxArrowOffset_ = 0;
  minArrowOffset_ = 0;
}

void CViewScope::EnsureLayout() {
  // The hit tests need the rectangles of the current size, painted or not.
  if (!laidOut_ || layout_.width != width() || layout_.height != height()) {
    LayOut(width(), height());
  }
}

void CViewScope::Render(QPainter& painter, const QRect& area) {
  painter.fillRect(QRect(0, 0, kSurfaceWidth, kSurfaceHeight), Qt::black);
  if (!laidOut_ || layout_.width != area.width() || layout_.height != area.height()) {
    LayOut(area.width(), area.height());
  }
  const GlobalSettings& settings = GlobalSettings::Instance();
  const ScopeScale scale = ScaleFrom(settings, layout_.height);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  DrawRangeHandle(painter);
  DrawButtons(painter);
  DrawAxes(painter, scale);
  DrawTimeAxis(painter, settings.timeAxisMode == 1);
  DrawWaveforms(painter, settings, scale);
  DrawOverlays(painter, scale);
  DrawCursors(painter);
}

void CViewScope::DrawRangeHandle(QPainter& p) const {
  const ScopeRect& h = layout_.rangeHandle;
  const int cx = h.left + 15;
  const int inset = kScopeHandleInset;
  const int upperBase = h.top + maxArrowOffset_ + 11;
  const int lowerBase = h.bottom + minArrowOffset_ - 11;
  p.setPen(handlePen_);
  p.drawPolygon(QPolygon(QList<QPoint>{
      {cx, h.top + maxArrowOffset_}, {h.right - inset, upperBase}, {h.left + inset, upperBase}}));
  p.drawPolygon(QPolygon(QList<QPoint>{{cx, h.bottom + minArrowOffset_},
                                       {h.right - inset, lowerBase},
                                       {h.left + inset, lowerBase}}));
  p.drawLine(cx, upperBase, cx, lowerBase);
}

void CViewScope::DrawButtons(QPainter& p) const {
  p.setPen(handlePen_);
  for (int k = 0; k < kScopeButtonCount; ++k) {
    const int x = layout_.buttons[k].left;
    const int y = layout_.buttons[k].top;
    switch (k) {
      case 0:  // coordinate zoom in
        p.drawLine(x, y + 10, x + 20, y + 10);
        p.drawLine(x + 10, y, x + 10, y + 20);
        break;
      case 1:  // coordinate zoom out
        p.drawLine(x, y + 10, x + 20, y + 10);
        break;
      case 2:  // range up
        Polyline(p, {{x, y + 10}, {x + 10, y}, {x + 20, y + 10}});
        p.drawLine(x + 10, y, x + 10, y + 20);
        break;
      case 3:  // range down
        Polyline(p, {{x, y + 10}, {x + 10, y + 20}, {x + 20, y + 10}});
        p.drawLine(x + 10, y, x + 10, y + 20);
        break;
      case 4:  // pan left
        Polyline(p, {{x + 10, y}, {x, y + 10}, {x + 10, y + 20}});
        p.drawLine(x, y + 10, x + 20, y + 10);
        break;
      case 5:  // pan right
        Polyline(p, {{x + 10, y}, {x + 20, y + 10}, {x + 10, y + 20}});
        p.drawLine(x, y + 10, x + 20, y + 10);
        break;
      case 6:  // time finer
        Polyline(p, {{x, y + 10}, {x + 10, y}, {x + 20, y + 10}});
        Polyline(p, {{x, y + 18}, {x + 10, y + 8}, {x + 20, y + 18}});
        break;
      default:  // time coarser
        Polyline(p, {{x, y + 10}, {x + 10, y + 20}, {x + 20, y + 10}});
        Polyline(p, {{x, y + 2}, {x + 10, y + 12}, {x + 20, y + 2}});
        break;
    }
  }
}

QString CViewScope::Title() const {
  return QStringLiteral("原始数据区域:");
}

QString CViewScope::TitleTip() const {
  return tr(
      "Raw data: the raw count of every shown key over time, the newest at the left. "
      "Drag the arrows at the right to change the range; F6 fits it to the data.");
}

void CViewScope::DrawAxes(QPainter& p, const ScopeScale& scale) const {
  const int w = layout_.width;
  const int h = layout_.height;
  p.setPen(whitePen_);
  p.drawLine(kScopeAxisX, kScopeTopMargin, kScopeAxisX, h - kScopeBottomMargin);
  p.drawLine(kScopeAxisX, h - kScopeBottomMargin, w - 4, h - kScopeBottomMargin);
  DrawTextAt(p, kTitleX, kTitleY, Title());

  const std::vector<GridRow> rows = ValueGridRows(scale, h, fields_.coordBase);
  for (size_t i = 0; i < rows.size(); ++i) {
    p.setPen(whitePen_);
    DrawTextAt(p, 1, rows[i].labelY, QString::number(rows[i].value));
    if (i >= 1) {
      p.setPen(gridPen_);
      p.drawLine(kScopeAxisX, rows[i].lineY, w - 4, rows[i].lineY);
    }
  }

  if (fields_.tkRangeShown != 0) {
    p.setPen(watchPen_);
    for (int32_t bound : {fields_.tkRangeMin, fields_.tkRangeMax}) {
      if (const std::optional<int> y = WatchLineY(scale, h, fields_.coordBase, bound)) {
        p.drawLine(kScopeAxisX, *y, w - 4, *y);
      }
    }
  }
}

void CViewScope::DrawTimeAxis(QPainter& p, bool timeMode) const {
  const int y = layout_.height - kScopeBottomMargin;
  p.setPen(whitePen_);
  for (const TimeTick& t : TimeAxisTicks(layout_.width, ctx_.msPerPixel, timeMode)) {
    p.drawLine(t.x, y, t.x, y + 3);
    DrawTextAt(p, t.x - 7, y + 6, t.label);
  }
}

void CViewScope::DrawWaveforms(QPainter& p, const GlobalSettings& settings,
                               const ScopeScale& scale) {
  ctx_.lastPoint[0].fill(PlotPoint{});
  const int count = ctx_.WriteIndex();
  const int newest = count - 1;
  const int channels = ctx_.channelCount.load(std::memory_order_relaxed);
  std::array<bool, kFrameChannels> drawn{};
  for (int i = 0; i < kFrameChannels; ++i) {
    drawn[i] = i < channels && IsChannelEnabled(settings.channel[i]);
  }
  const FrameWalkParams walk{
      count, static_cast<int64_t>(ctx_.lastSampleTime.load()) + ctx_.displayShift.load(),
      ctx_.msPerPixel, settings.timeAxisMode == 1, layout_.width};
  // Segments are gathered per channel and drawn with one pen change each.
  for (auto& l : traceLines_) {
    l.clear();
  }
  PrepareCursorColumns();
  const bool labelled =
      ByRuns(walk) ? TraceByRuns(walk, drawn, scale) : TraceByLines(walk, drawn, scale);
  for (int i = 0; i < kFrameChannels; ++i) {
    if (!traceLines_[i].empty()) {
      DrawTraceLines(traceLines_[i], channelPens_[i].color().rgb(),
                     QRect(0, 0, layout_.width, layout_.height));
    }
  }
  // The labels show the newest values, and only once a frame was plotted.
  // They go over the traces, which would otherwise hide them.
  if (labelled) {
    p.setPen(whitePen_);
    for (int i = 0; i < kFrameChannels; ++i) {
      if (drawn[i]) {
        const LabelPos pos = ChannelLabelPos(i, layout_.width);
        const int32_t v = ctx_.RawValue(newest, i) - kValueOffset;
        DrawTextAt(p, pos.x, pos.y, QStringLiteral("CH%1: %2").arg(i).arg(v));
      }
    }
  }
}

bool CViewScope::TraceByRuns(const FrameWalkParams& walk,
                             const std::array<bool, kFrameChannels>& drawn,
                             const ScopeScale& scale) {
  CollectTraceRuns(ctx_, walk, TraceValue::kFirst, traceRuns_);
  if (traceRuns_.empty()) {
    return false;
  }
  NoteCursorRuns(walk);
  CheckWatch();
  if (!scale.Valid()) {
    return true;  // no value maps to a row: nothing to draw
  }
  auto& last = ctx_.lastPoint[0];
  auto row = [&](int32_t stored) {
    return *ValueToY(scale, fields_.coordBase, stored - kValueOffset);
  };
  for (const TraceRun& r : traceRuns_) {
    const int x = r.x + kScopeAxisX;
    for (int i = 0; i < kFrameChannels; ++i) {
      if (!drawn[i]) {
        continue;
      }
      const auto value = [&](int frame) { return ctx_.RawValue(frame, i); };
      AddRunLines(traceLines_[i], last[i], x, RowsOfRun(r, i, value, row), r.single());
    }
  }
  return true;
}

bool CViewScope::TraceByLines(const FrameWalkParams& walk,
                              const std::array<bool, kFrameChannels>& drawn,
                              const ScopeScale& scale) {
  auto& last = ctx_.lastPoint[0];
  bool labelled = false;
  WalkScopeFrames(
      walk,
      [&](int index) {
        const SampleFrame* f = ctx_.FrameAt(index);
        return f != nullptr ? f->timestamp : 0u;
      },
      [&](int index, int x) {
        CheckWatch();
        NoteCursorColumn(index, x);
        labelled = true;
        for (int i = 0; i < kFrameChannels; ++i) {
          if (!drawn[i]) {
            continue;
          }
          const std::optional<int> y =
              ValueToY(scale, fields_.coordBase, ctx_.RawValue(index, i) - kValueOffset);
          if (!y) {
            continue;
          }
          const PlotPoint pt{x + kScopeAxisX, *y};
          if (last[i].x >= 0) {
            traceLines_[i].emplace_back(last[i].x, last[i].y, pt.x, pt.y);
          }
          last[i] = pt;
        }
      });
  return labelled;
}

void CViewScope::CheckWatch() {
  if (fields_.tkRangeShown == 0 || fields_.tkRangeWarned != 0 ||
      ctx_.WriteIndex() <= kWatchMinFrames) {
    return;
  }
  const int newest = ctx_.WriteIndex() - 1;
  const int channel = fields_.tkRangeChannel;
  // A negative channel reads as raw 0; RawValue bounds the rest.
  const int32_t v = (channel < 0 ? 0 : ctx_.RawValue(newest, channel)) - kValueOffset;
  const std::optional<std::string> text = WatchMessage(
      channel, v, fields_.tkRangeMin, fields_.tkRangeMax, ctx_.RawValue(newest, 9) - kValueOffset);
  if (!text) {
    return;
  }
  fields_.tkRangeWarned = 1;
  // The box is modal: it is shown once this paint has finished, so that the
  // surface is never painted re-entrantly while the box runs its event loop.
  QMetaObject::invokeMethod(
      this,
      [message = *text] {
        ShowPrompt(message);
        if (ViewHost* frame = theViewHost()) {
          frame->OnCommand(kCmdStopCapture);
        }
      },
      Qt::QueuedConnection);
}

void CViewScope::DrawOverlays(QPainter& p, const ScopeScale& scale) const {
  const int w = layout_.width;
  const int h = layout_.height;
  p.setPen(whitePen_);
  if (buttonDown_) {
    DrawTextAt(p, mousePos_.x() - 85, mousePos_.y() - 25,
               QStringLiteral("Press 'Ctrl' to move faster."));
  }
  if (const auto offset = PanOffsetText(ctx_.liveEndTime.load(), ctx_.lastSampleTime.load())) {
    DrawTextAt(p, 65, 30, *offset);
  }
  if (fields_.followRawValue == 0) {
    return;
  }
  const int mx = mousePos_.x();
  const int my = mousePos_.y();
  if (const auto value = CrossHairValue(scale, fields_.coordBase, my)) {
    DrawTextAt(p, mx + 10, my, QString::number(*value));
  }
  p.setPen(crossPen_);
  p.drawLine(kScopeAxisX, my, w - kScopeRightMargin, my);
  p.drawLine(mx, kScopeTopMargin, mx, h - 30);
}

void CViewScope::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  const QPoint pos = event->position().toPoint();
  mousePos_ = pos;
  EnsureLayout();
  // A press without a move before it still starts the right drag.
  HoverAt(pos);
  if (measuring_ && hoverMode_ == 0 && PressCursor(pos)) {
    event->accept();
    return;
  }
  pressPoint_ = lastPoint_ = pos;
  buttonDown_ = true;
  // A worker left over from a press whose release never came ends before
  // the generation it reads changes.
  repeater_.Release();
  ++pressGeneration_;
  const int button = HitScopeButton(layout_, pos.x(), pos.y());
  if (button >= 0 && button < kDragFlagCount) {
    fields_.dragState[static_cast<size_t>(button)] = 1;
  }
  // Qt grabs the mouse for the widget a button was pressed in.
  repeater_.Press(button);
  event->accept();
}

void CViewScope::mouseMoveEvent(QMouseEvent* event) {
  mousePos_ = event->position().toPoint();
  EnsureLayout();
  if (draggedCursor_ >= 0) {
    DragCursor(mousePos_);
  } else if (!buttonDown_) {
    HoverAt(mousePos_);
  } else if (hoverMode_ == 1 || hoverMode_ == 2) {
    DragRangeHandle(mousePos_, StepFactor(event));
  } else {
    Pan(mousePos_, StepFactor(event));
  }
  // Handled here: passed on, the frame would overwrite the status text.
  event->accept();
}

void CViewScope::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  if (draggedCursor_ >= 0) {
    ReleaseCursor();
    event->accept();
    return;
  }
  // The worker is joined first, so that no operation re-sets a flag after
  // the flags below are cleared; steps it posted earlier are dropped as stale.
  repeater_.Release();
  for (auto& flag : fields_.dragState) {
    flag = 0;
  }
  buttonDown_ = false;
  hoverMode_ = 0;
  GlobalSettings& s = GlobalSettings::Instance();
  s.rangeMax = s.EffectiveRangeMax();
  s.rangeMaxDelta = 0;
  s.rangeMin = s.EffectiveRangeMin();
  s.rangeMinDelta = 0;
  setCursor(Qt::ArrowCursor);
  LayOut(width(), height());
  Refresh();
  event->accept();
}

void CViewScope::wheelEvent(QWheelEvent* event) {
  if (GlobalSettings::Instance().timeAxisMode != 1) {
    event->ignore();
    return;
  }
  // Only a single notch counts; finer-grained or accumulated deltas do not.
  const int delta = event->angleDelta().y();
  if (delta == 120 || delta == -120) {
    ctx_.msPerPixel = delta > 0 ? TimeFiner(ctx_.msPerPixel) : TimeCoarser(ctx_.msPerPixel);
  }
  RefreshAfterTimeZoom();
  event->accept();
}

void CViewScope::DragRangeHandle(QPoint pos, int factor) {
  GlobalSettings& s = GlobalSettings::Instance();
  const int64_t delta = int64_t{pressPoint_.y() - pos.y()} * factor;
  if (hoverMode_ == 1) {
    ShowStatus(QStringLiteral("最大值: %1").arg(s.EffectiveRangeMax()));
    maxArrowOffset_ = pos.y() - pressPoint_.y();
    s.rangeMaxDelta = ClampToInt32(delta);
    if (s.EffectiveRangeMax() < s.EffectiveRangeMin()) {
      s.rangeMax = s.EffectiveRangeMin();
      s.rangeMaxDelta = 0;
    }
  } else {
    ShowStatus(QStringLiteral("最小值: %1").arg(s.EffectiveRangeMin()));
    minArrowOffset_ = pos.y() - pressPoint_.y();
    s.rangeMinDelta = ClampToInt32(delta);
    if (s.EffectiveRangeMin() < 0) {
      s.rangeMin = 0;
      s.rangeMinDelta = 0;
    }
    if (s.EffectiveRangeMax() < s.EffectiveRangeMin()) {
      s.rangeMin = s.EffectiveRangeMax();
      s.rangeMinDelta = 0;
    }
  }
  Refresh();
}

void CViewScope::Pan(QPoint pos, int factor) {
  GlobalSettings& s = GlobalSettings::Instance();
  int64_t dy = int64_t{pos.y() - lastPoint_.y()} * factor;
  // The window never moves below value 0.
  if (int64_t{s.rangeMin} + dy < 0) {
    dy = -int64_t{s.rangeMin};
  }
  s.rangeMin = ClampToInt32(s.rangeMin + dy);
  s.rangeMax = ClampToInt32(s.rangeMax + dy);
  const int64_t dx = int64_t{pos.x() - lastPoint_.x()} * factor;
  lastPoint_ = pos;
  if (dx != 0) {
    const PanResult pan = PanEndTime(ctx_.lastSampleTime.load(), dx, ctx_.liveEndTime.load(),
                                     EarliestTimestamp(ctx_));
    ctx_.liveEndTime = pan.liveEndTime;
    ctx_.lastSampleTime = pan.endTime;
  }
  Refresh();
  if (ViewHost* frame = theViewHost()) {
    QCoreApplication::postEvent(frame->KeyScopeView(), new QEvent(kViewRefreshEvent));
  }
}

void CViewScope::RunButtonStep(int button, uint64_t generation) {
  if (!buttonDown_ || generation != pressGeneration_) {
    return;
  }
  GlobalSettings& s = GlobalSettings::Instance();
  switch (button) {
    case 0:
      CoordZoomIn(s, ctx_, fields_);
      break;
    case 1:
      CoordZoomOut(s, ctx_, fields_);
      break;
    case 2:
      StepRawWindow(s, 1);
      break;
    case 3:
      StepRawWindow(s, -1);
      break;
    case 4:
      PanLeft(ctx_, fields_);
      break;
    case 5:
      PanRight(ctx_, fields_);
      break;
    case 6:
    case 7:
      ZoomTime(button == 6);
      return;
    default:
      return;
  }
  Refresh();
  if (ViewHost* frame = theViewHost()) {
    QCoreApplication::postEvent(frame->KeyScopeView(), new QEvent(kViewRefreshEvent));
  }
}

void CViewScope::ZoomTime(bool finer) {
  ctx_.msPerPixel = finer ? TimeFiner(ctx_.msPerPixel) : TimeCoarser(ctx_.msPerPixel);
  RefreshAfterTimeZoom();
}

void CViewScope::RefreshAfterTimeZoom() {
  LayOut(width(), height());
  Refresh();
  if (ViewHost* frame = theViewHost()) {
    frame->RefreshScopes();
  }
}

void CViewScope::ShowStatus(const QString& text) const {
  if (ViewHost* frame = theViewHost()) {
    frame->ShowStatusMessage(text);
  }
}

QString CViewScope::RangeHoverText(int mode, int32_t value) {
  return (mode == 1 ? QStringLiteral("拖动以调整显示范围的最大值.当前: %1")
                    : QStringLiteral("拖动以调整显示范围的最小值.当前: %1"))
      .arg(value);
}

void CViewScope::HoverAt(QPoint pos) {
  hoverMode_ = HitRangeHandle(layout_.rangeHandle, pos.x(), pos.y());
  if (hoverMode_ != 0) {
    const GlobalSettings& s = GlobalSettings::Instance();
    ShowStatus(RangeHoverText(hoverMode_,
                              hoverMode_ == 1 ? s.EffectiveRangeMax() : s.EffectiveRangeMin()));
  }
  if (HitScopeButton(layout_, pos.x(), pos.y()) >= 0) {
    hoverMode_ = 3;
  }
  switch (hoverMode_) {
    case 1:
    case 2:
      setCursor(Qt::SizeVerCursor);
      break;
    case 3:
      setCursor(Qt::PointingHandCursor);
      break;
    default:
      setCursor(measuring_ ? MeasureHoverShape(pos) : Qt::ArrowCursor);
      break;
  }
  if (fields_.followRawValue != 0) {
    Refresh();
  }
}

}  // namespace padscope
