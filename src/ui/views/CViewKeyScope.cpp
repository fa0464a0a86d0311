#include "ui/views/CViewKeyScope.h"

#include <QApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "capture/CaptureContext.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "support/ChannelLabel.h"
#include "ui/views/ViewHost.h"
#include "viewlogic/KeyScopeEdit.h"

namespace padscope {

using namespace keyscope;

namespace {

constexpr int kLastPointGroup = 1;
const QColor kHiddenGrey(55, 55, 55);
const QColor kLabelOrange(250, 128, 40);
const QColor kSliderGreen(0, 255, 0);
const QColor kBarLow(0, 128, 0);
const QColor kBarHigh(200, 0, 0);
const QColor kBarBottom(128, 200, 128);
// A threshold changed on screen that the chip does not have yet.
const QColor kUnsentAmber(255, 176, 0);

QColor ChannelColour(const GlobalSettings& s, int channel) {
  const uint32_t bgr = s.channelColor[channel];
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

// Text whose top-left corner is at (x, y).
void TextAt(QPainter& p, int x, int y, const QString& text) {
  p.drawText(x, y + p.fontMetrics().ascent(), text);
}

// The outline of a rectangle that excludes its right and bottom edges.
void Outline(QPainter& p, const Rect& r) {
  if (r.right > r.left && r.bottom > r.top) {
    p.drawRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1);
  }
}

QRect Inside(const Rect& r) {
  return QRect(QPoint(r.left + 1, r.top + 1), QPoint(r.right - 2, r.bottom - 2));
}

QString Name(int channel) {
  const ChannelLabel& label = ChannelLabel::Instance();
  return QString::fromStdString(label.Prefix()) + QString::number(int64_t{label.Base()} + channel);
}

}  // namespace

CViewKeyScope::CViewKeyScope(CaptureContext& ctx, FrameFields& fields, QWidget* parent)
    : CScopeViewBase(ctx, parent), fields_(fields) {
  setMouseTracking(true);
}

int32_t CViewKeyScope::OutputValue(int frame, int channel) const {
  const int32_t stored = ctx_.SecondValue(frame, channel);
  return GlobalSettings::Instance().singleByteMode != 0 ? stored : stored - kValueOffset;
}

void CViewKeyScope::Render(QPainter& painter, const QRect& area) {
  GlobalSettings& s = GlobalSettings::Instance();
  const int w = area.width();
  const int h = area.height();
  painter.fillRect(area, Qt::black);
  painter.setBrush(Qt::NoBrush);
  DrawAxes(painter, w, h);
  if (ViewHost* frame = theViewHost()) {
    frame->SetStatusPaneText(129, QStringLiteral("data: %1").arg(ctx_.WriteIndex()));
  }
  const int channels = ctx_.ChannelsInFrame();
  for (int c = channels; c < kChannels; ++c) {
    s.channel[c].expanded = 0;
  }
  layout_ = HitLayout{};
  layout_.width = w;
  layout_.height = h;
  layout_.stripWidth = StripWidth(s.ShownChannelCount());
  for (int c = 0; c < kChannels; ++c) {
    layout_.expanded[c] = s.channel[c].expanded != 0;
  }
  ctx_.lastPoint[kLastPointGroup].fill(PlotPoint{});
  DrawSwitches(painter, s, h, channels);
  DrawPlot(painter, s, w, channels);
  DrawThresholdLines(painter, s, w, channels);
  if (h - 40 > 0) {
    DrawBoxes(painter, s, w, h, channels);
  }
  DrawThresholdLabel(painter, s, w);
}

QString CViewKeyScope::Title() const {
  return QStringLiteral("结果 ( TK OUTPUT )");
}

QString CViewKeyScope::TitleTip() const {
  return tr(
      "Result (TK output): the output value of every shown key, which the chip compares "
      "with the key's threshold (its dotted line), and a box per key at the right. Drag a "
      "threshold line to change it; point at one for its key and value.");
}

void CViewKeyScope::DrawAxes(QPainter& p, int w, int h) {
  const GlobalSettings& s = GlobalSettings::Instance();
  p.setPen(Qt::white);
  p.drawLine(kAxisX, 10, kAxisX, h - 30);
  p.drawLine(kAxisX, h - 30, w - 4, h - 30);
  TextAt(p, kTitleX, kTitleY, Title());
  for (const AxisLabel& l : ValueAxisLabels(h, s.EffectiveKeyRangeMax(), s.EffectiveZoom())) {
    TextAt(p, 1, l.y, QString::number(l.value));
  }
  const auto ticks = keyscope::TimeAxisTicks(w, ctx_.msPerPixel, s.timeAxisMode != 0);
  for (const keyscope::TimeTick& t : ticks) {
    p.drawLine(t.column + 40, h - 30, t.column + 40, h - 27);
  }
  for (const keyscope::TimeTick& t : ticks) {
    TextAt(p, t.column + 33, h - 24, QString::fromStdString(t.label));
  }
}

void CViewKeyScope::DrawSwitches(QPainter& p, const GlobalSettings& s, int h, int channels) {
  const int newest = ctx_.WriteIndex() - 1;
  const SampleFrame* frame = ctx_.FrameAt(newest);
  for (int i = 0; i < channels; ++i) {
    const Rect square = SwitchSquare(i, h);
    const Point label = SwitchLabelPos(i, h);
    const bool shown = IsChannelEnabled(s.channel[i]);
    const QColor colour = shown ? ChannelColour(s, i) : kHiddenGrey;
    p.setPen(colour);
    Outline(p, square);
    TextAt(p, label.x, label.y, Name(i));
    if (shown && frame != nullptr && frame->KeyState(i)) {
      p.fillRect(Inside(square), colour);
    }
  }
}

void CViewKeyScope::DrawPlot(QPainter& p, const GlobalSettings& s, int w, int channels) {
  const int newest = ctx_.WriteIndex() - 1;
  const bool timeMode = s.timeAxisMode != 0;
  const double ms = ctx_.msPerPixel;
  if (newest < 0 || (timeMode && !(ms > 0.0 && std::isfinite(ms)))) {
    return;
  }
  const int64_t end = int64_t{ctx_.lastSampleTime.load()} + ctx_.displayShift.load();
  // The trace area ends 44 pixels left of the channel strip.
  const FrameWalkParams walk{newest + 1, end, ms, timeMode, w - layout_.stripWidth};
  // Segments are gathered per channel and drawn with one pen change each.
  for (auto& l : traceLines_) {
    l.clear();
  }
  const bool labelled =
      ByRuns(walk) ? TraceByRuns(s, walk, channels) : TraceByLines(s, walk, channels);
  const Rect plot = PlotRect(layout_.width, layout_.height, layout_.stripWidth);
  const QRect clip(QPoint(plot.left, plot.top), QPoint(plot.right - 1, plot.bottom - 1));
  for (int i = 0; i < channels; ++i) {
    if (!traceLines_[i].empty()) {
      DrawTraceLines(traceLines_[i], ChannelColour(s, i).rgb(), clip);
    }
  }
  if (!labelled) {
    return;
  }
  // The labels show the newest values once any frame is in the plot.
  p.setPen(kLabelOrange);
  for (int i = 0; i < channels; ++i) {
    if (IsChannelEnabled(s.channel[i]) && s.channel[i].expanded != 0) {
      const Point at = OutputLabelPos(i, w, layout_.stripWidth);
      TextAt(p, at.x, at.y, QStringLiteral("CH%1: %2").arg(i).arg(OutputValue(newest, i)));
    }
  }
}

bool CViewKeyScope::TraceByRuns(const GlobalSettings& s, const FrameWalkParams& walk,
                                int channels) {
  CollectTraceRuns(ctx_, walk, TraceValue::kSecond, traceRuns_);
  const int32_t top = s.EffectiveKeyRangeMax();
  const int32_t zoom = s.EffectiveZoom();
  const int32_t shift = s.singleByteMode != 0 ? 0 : kValueOffset;
  auto& last = ctx_.lastPoint[kLastPointGroup];
  auto row = [&](int32_t stored) { return ValueRow(top, stored - shift, zoom); };
  for (const TraceRun& r : traceRuns_) {
    const int x = r.x + kAxisX;
    for (int i = 0; i < channels; ++i) {
      if (!IsChannelEnabled(s.channel[i]) || s.channel[i].expanded == 0) {
        continue;
      }
      const auto value = [&](int frame) { return ctx_.SecondValue(frame, i); };
      AddRunLines(traceLines_[i], last[i], x, RowsOfRun(r, i, value, row), r.single());
    }
  }
  return !traceRuns_.empty();
}

bool CViewKeyScope::TraceByLines(const GlobalSettings& s, const FrameWalkParams& walk,
                                 int channels) {
  const int32_t top = s.EffectiveKeyRangeMax();
  const int32_t zoom = s.EffectiveZoom();
  const bool timeMode = walk.timeMode;
  const double ms = walk.msPerPixel;
  const int maxX = walk.width - 44;
  const int64_t end = walk.endTime;
  auto& last = ctx_.lastPoint[kLastPointGroup];
  std::array<std::vector<QLine>, kFrameChannels>& lines = traceLines_;
  bool labelled = false;
  int n = 0;
  for (int f = walk.frameCount - 1; f >= 0; --f) {
    const SampleFrame* frame = ctx_.FrameAt(f);
    const int64_t d = frame == nullptr ? -1 : end - int64_t{frame->timestamp};
    if (d < 0) {
      continue;
    }
    const double xd = timeMode ? std::trunc(static_cast<double>(d) / ms) : n++;
    if (xd > maxX) {
      break;
    }
    const int x = static_cast<int>(xd);
    for (int i = 0; i < channels; ++i) {
      if (!IsChannelEnabled(s.channel[i]) || s.channel[i].expanded == 0) {
        continue;
      }
      const QPoint pt(x + kAxisX, ValueRow(top, OutputValue(f, i), zoom));
      if (last[i].x >= 0) {
        lines[i].emplace_back(QPoint(last[i].x, last[i].y), pt);
      }
      last[i] = PlotPoint{pt.x(), pt.y()};
    }
    labelled = true;
  }
  return labelled;
}

void CViewKeyScope::DrawThresholdLines(QPainter& p, const GlobalSettings& s, int w, int channels) {
  const Rect plot = PlotRect(layout_.width, layout_.height, layout_.stripWidth);
  for (int c = 0; c < channels; ++c) {
    const ChannelConfig& cfg = s.channel[c];
    const int row = ValueRow(s.EffectiveKeyRangeMax(), cfg.EffectiveThreshold(), s.EffectiveZoom());
    // A line above or below the plot is neither drawn nor grabbed there.
    if (!IsChannelEnabled(cfg) || cfg.expanded == 0 || !plot.Contains(kAxisX, row)) {
      continue;
    }
    layout_.thresholdRows[c] = row;
    layout_.lineShown[c] = true;
    const int end = w - layout_.stripWidth - 4;
    p.setPen(QPen(ChannelColour(s, c), 1, Qt::DotLine));
    p.drawLine(kAxisX, row, end, row);
    if ((fields_.unsentThresholds >> c) & 1) {
      // Not on the chip yet: a marker at the line's end.
      p.setPen(kUnsentAmber);
      p.setBrush(kUnsentAmber);
      p.drawPolygon(QPolygon({QPoint(end, row - 4), QPoint(end, row + 4), QPoint(end - 7, row)}));
      p.setBrush(Qt::NoBrush);
    }
  }
}

int CViewKeyScope::ThresholdUnderPointer() const {
  const bool onThreshold = hoverCode_ == kHitLine || hoverCode_ == kHitBoxThreshold;
  return onThreshold && hoverChannel_ >= 0 && hoverChannel_ < kChannels ? hoverChannel_ : -1;
}

void CViewKeyScope::DrawThresholdLabel(QPainter& p, const GlobalSettings& s, int w) {
  const int c = ThresholdUnderPointer();
  if (c < 0 || !layout_.lineShown[c] || pointer_.x() < 0) {
    return;
  }
  const bool unsent = buttonDown_ || ((fields_.unsentThresholds >> c) & 1) != 0;
  const QString text = tr("%1 threshold: %2").arg(Name(c)).arg(s.channel[c].EffectiveThreshold()) +
                       (unsent ? tr(" (not sent to the chip)") : QString());
  const QFontMetrics metrics = p.fontMetrics();
  const int row = layout_.thresholdRows[c];
  const Rect plot = PlotRect(layout_.width, layout_.height, layout_.stripWidth);
  QRect box(0, 0, metrics.horizontalAdvance(text) + 8, metrics.height() + 4);
  // Beside the pointer, above the line (below it near the top), in the plot.
  const int right = w - layout_.stripWidth - 4;
  box.moveLeft(
      std::clamp(pointer_.x() + 12, kAxisX + 2, std::max(kAxisX + 2, right - box.width())));
  box.moveTop(row - box.height() - 3 >= plot.top ? row - box.height() - 3 : row + 4);
  p.fillRect(box, Qt::black);
  p.setPen(unsent ? kUnsentAmber : ChannelColour(s, c));
  p.drawRect(box.adjusted(0, 0, -1, -1));
  p.drawText(box, Qt::AlignCenter, text);
}

void CViewKeyScope::DrawBoxes(QPainter& p, GlobalSettings& s, int w, int h, int channels) {
  int k = 0;
  for (int c = 0; c < channels; ++c) {
    const bool shown = IsChannelEnabled(s.channel[c]);
    layout_.boxVisible[c] = shown;
    if (!shown) {
      // A hidden channel comes back expanded.
      s.channel[c].expanded = 1;
      layout_.expanded[c] = true;
      continue;
    }
    layout_.boxes[c] = ChannelBox(k++, w, h);
    DrawBox(p, s, c);
  }
  const int labelWidth = channels > 0 ? p.fontMetrics().horizontalAdvance(Name(channels - 1)) : 0;
  sliderRect_ = SliderRect(w, h, layout_.stripWidth, SwitchRowRight(channels, labelWidth));
  layout_.slider = Slider(sliderRect_, s.EffectiveZoom());
  DrawSlider(p, s);
}

void CViewKeyScope::DrawBox(QPainter& p, const GlobalSettings& s, int c) {
  const Rect& b = layout_.boxes[c];
  const bool expanded = s.channel[c].expanded != 0;
  const QColor colour = ChannelColour(s, c);
  p.setPen(colour);
  Outline(p, {b.left, b.top, b.right, b.top + 20});
  if (expanded) {
    Outline(p, b);
  }
  const auto tri = HeaderTriangle(b, expanded);
  const QPolygon polygon(
      {QPoint(tri[0].x, tri[0].y), QPoint(tri[1].x, tri[1].y), QPoint(tri[2].x, tri[2].y)});
  p.setBrush(colour);
  p.drawPolygon(polygon);
  p.setBrush(Qt::NoBrush);
  if (expanded) {
    DrawBar(p, s, c);
  }
}

void CViewKeyScope::DrawBar(QPainter& p, const GlobalSettings& s, int c) {
  const Rect& b = layout_.boxes[c];
  const ChannelConfig& cfg = s.channel[c];
  const int32_t maximum = cfg.EffectiveSecondMax();
  const int32_t minimum = cfg.EffectiveSecondMin();
  const int32_t threshold = cfg.EffectiveThreshold();
  const std::optional<int> markY = BarThresholdY(b, maximum, minimum, threshold);
  layout_.boxThresholdY[c] = markY;
  if (!markY) {
    return;  // no scale: neither bar nor mark
  }
  const int newest = ctx_.WriteIndex() - 1;
  if (newest >= 0) {
    const int32_t v = OutputValue(newest, c);
    const int top = *BarTop(b, maximum, minimum, v);
    QColor topColour = kBarLow;
    if (v >= threshold) {
      topColour = kBarHigh;
      ctx_.SetKeyAux(newest, c);
    }
    const QRect fill(QPoint(b.left + 1, top), QPoint(b.right - 2, b.bottom - 2));
    if (fill.isValid()) {
      QLinearGradient gradient(0, fill.top(), 0, fill.bottom());
      gradient.setColorAt(0, topColour);
      gradient.setColorAt(1, kBarBottom);
      p.fillRect(fill, gradient);
    }
  }
  // A threshold beyond the bar's range keeps its mark inside the bar; one
  // the chip does not have yet is amber.
  p.setPen(((fields_.unsentThresholds >> c) & 1) ? kUnsentAmber : QColor(Qt::white));
  for (int y : {*markY, *markY + 1}) {
    if (y > b.top + 20 && y < b.bottom - 1) {
      p.drawLine(b.left + 1, y, b.right - 2, y);
    }
  }
}

void CViewKeyScope::DrawSlider(QPainter& p, const GlobalSettings& s) {
  const SliderGeometry& g = layout_.slider;
  if (!g.shown) {
    return;
  }
  p.setPen(QPen(kSliderGreen, 3));
  p.drawLine(sliderRect_.left, g.lineY, sliderRect_.right, g.lineY);
  p.drawLine(g.knobX, g.knobTop, g.knobX, sliderRect_.bottom);
  TextAt(p, g.knobX, sliderRect_.top, QStringLiteral("x%1").arg(SafeZoom(s.EffectiveZoom())));
}

void CViewKeyScope::SetPaneZero(const std::string& text) {
  if (ViewHost* frame = theViewHost()) {
    frame->ShowStatusMessage(QString::fromStdString(text));
  }
}

void CViewKeyScope::PostRefresh() {
  QCoreApplication::postEvent(this, new QEvent(kViewRefreshEvent));
}

void CViewKeyScope::Hover(const QPoint& pos) {
  const int labelled = ThresholdUnderPointer();
  pointer_ = pos;
  HoverAt(pos);
  // The threshold label comes and goes with the pointer.
  if (ThresholdUnderPointer() != labelled || labelled >= 0) {
    Refresh();
  }
}

void CViewKeyScope::leaveEvent(QEvent* event) {
  const bool labelled = ThresholdUnderPointer() >= 0 && !buttonDown_;
  if (!buttonDown_) {
    hoverCode_ = kHitNone;
    hoverChannel_ = -1;
    pointer_ = QPoint(-1, -1);
  }
  if (labelled) {
    Refresh();
  }
  CScopeViewBase::leaveEvent(event);
}

void CViewKeyScope::HoverAt(const QPoint& pos) {
  hoverCode_ = kHitNone;
  const Hit hit = HitTest(layout_, pos.x(), pos.y());
  if (hit.channel < 0 || hit.channel >= ctx_.ChannelsInFrame()) {
    hoverChannel_ = -1;
    setCursor(Qt::ArrowCursor);
    return;
  }
  hoverChannel_ = hit.channel;
  hoverCode_ = hit.code;
  SetPaneZero(HoverStatusText(hoverCode_, hoverChannel_, GlobalSettings::Instance(),
                              ChannelLabel::Instance()));
  switch (CursorFor(hoverCode_)) {
    case CursorShape::kArrow:
      setCursor(Qt::ArrowCursor);
      break;
    case CursorShape::kHand:
      setCursor(Qt::PointingHandCursor);
      break;
    case CursorShape::kSizeVertical:
      setCursor(Qt::SizeVerCursor);
      break;
    case CursorShape::kSizeHorizontal:
      setCursor(Qt::SizeHorCursor);
      break;
  }
}

void CViewKeyScope::Drag(const QPoint& pos) {
  GlobalSettings& s = GlobalSettings::Instance();
  if (hoverChannel_ < 0) {
    // Dragging empty space moves the top value, one unit per pixel.
    s.keyRangeMaxDelta = pressPoint_.y() - pos.y();
    Refresh();
    return;
  }
  switch (hoverCode_) {
    case kHitBarMax:
    case kHitBarMin:
    case kHitBoxThreshold:
    case kHitLine:
      SetValueDelta(s, hoverCode_, hoverChannel_,
                    ValueDragDelta(pressPoint_.y(), pos.y(), layout_.height, s.EffectiveZoom()));
      SetPaneZero(DragStatusText(hoverChannel_, s));
      break;
    case kHitZoom:
      s.zoomDelta = ZoomDragDelta(pressPoint_.x(), pos.x(), sliderRect_, s.zoom);
      break;
    default:
      break;
  }
  PostRefresh();
}

void CViewKeyScope::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  pressPoint_ = event->position().toPoint();
  buttonDown_ = true;
  pressedChannel_ = HitTest(layout_, pressPoint_.x(), pressPoint_.y()).channel;
}

void CViewKeyScope::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (buttonDown_) {
    pointer_ = pos;
    Drag(pos);
  } else {
    Hover(pos);
  }
}

void CViewKeyScope::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !buttonDown_) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  CommitRelease(GlobalSettings::Instance(), fields_, hoverCode_, hoverChannel_, pressedChannel_);
  pressedChannel_ = -1;
  buttonDown_ = false;
  Refresh();
  if (ViewHost* frame = theViewHost()) {
    frame->RefreshScopes();
  }
  // Re-hover on the layout just painted, so a click shows the new state.
  hoverChannel_ = -1;
  hoverCode_ = kHitNone;
  const QPoint pos = event->position().toPoint();
  const Hit hit = HitTest(layout_, pos.x(), pos.y());
  if (hit.channel >= 0 && hit.channel < ctx_.ChannelsInFrame()) {
    hoverChannel_ = hit.channel;
    hoverCode_ = hit.code;
  }
}

}  // namespace padscope
