#include "views/CViewScope.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/FrameFields.h"
#include "app/GlobalSettings.h"
#include "capture/CaptureContext.h"
#include "support/ChannelLabel.h"

namespace padscope {

namespace {

QColor ChannelColour(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

}  // namespace

CViewScope::CViewScope(CaptureContext& ctx, FrameFields& fields, QWidget* parent)
    : CScopeViewBase(ctx, parent), fields_(fields) {}

// A first rendering: the newest frames, one pixel each, scaled to the span of
// what is shown.
void CViewScope::Render(QPainter& painter, const QRect& area) {
  painter.fillRect(area, Qt::black);
  const QRect plot = area.adjusted(50, 20, -10, -20);
  if (plot.width() <= 0 || plot.height() <= 0) {
    return;
  }
  painter.setPen(QColor(90, 90, 90));
  painter.drawRect(plot);
  const GlobalSettings& settings = GlobalSettings::Instance();
  const int newest = ctx_.WriteIndex() - 1;
  const int count = std::min(newest, plot.width());
  const int channels = ctx_.ChannelsInFrame();
  if (count < 2 || channels == 0) {
    return;
  }
  int32_t lo = INT32_MAX;
  int32_t hi = INT32_MIN;
  for (int i = newest - count + 1; i <= newest; ++i) {
    for (int ch = 0; ch < channels; ++ch) {
      if (IsChannelEnabled(settings.channel[ch])) {
        lo = std::min(lo, ctx_.RawValue(i, ch));
        hi = std::max(hi, ctx_.RawValue(i, ch));
      }
    }
  }
  if (lo > hi) {
    return;
  }
  const double span = std::max(1, hi - lo);
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (int ch = 0; ch < channels; ++ch) {
    if (!IsChannelEnabled(settings.channel[ch])) {
      continue;
    }
    QPainterPath path;
    for (int k = 0; k < count; ++k) {
      const int i = newest - count + 1 + k;
      const double y = plot.bottom() - (ctx_.RawValue(i, ch) - lo) / span * plot.height();
      const QPointF p(plot.left() + k, y);
      k == 0 ? path.moveTo(p) : path.lineTo(p);
    }
    painter.setPen(ChannelColour(settings.channelColor[ch]));
    painter.drawPath(path);
  }
  painter.setPen(Qt::white);
  painter.drawText(area.left() + 4, area.top() + 14,
                   QString::fromStdString(ChannelLabel::Instance().Label(0)) +
                       QStringLiteral(" … %1").arg(channels));
}

}  // namespace padscope
