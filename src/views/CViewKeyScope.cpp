#include "views/CViewKeyScope.h"

#include <QPainter>
#include <algorithm>

#include "app/FrameFields.h"
#include "app/GlobalSettings.h"
#include "capture/CaptureContext.h"
#include "support/ChannelLabel.h"

namespace padscope {

CViewKeyScope::CViewKeyScope(CaptureContext& ctx, FrameFields& fields, QWidget* parent)
    : CScopeViewBase(ctx, parent), fields_(fields) {}

// A first rendering: one box per shown channel with its key value as a bar,
// the threshold as a line and the box filled while the key is touched.
void CViewKeyScope::Render(QPainter& painter, const QRect& area) {
  painter.fillRect(area, QColor(24, 24, 24));
  const GlobalSettings& settings = GlobalSettings::Instance();
  const int channels = ctx_.ChannelsInFrame();
  const int newest = ctx_.WriteIndex() - 1;
  if (channels == 0) {
    return;
  }
  const int boxWidth = std::max(1, (area.width() - 10) / channels);
  const int top = area.top() + 24;
  const int height = area.height() - 34;
  if (height <= 0) {
    return;
  }
  const bool singleByte = settings.singleByteMode != 0;
  for (int ch = 0; ch < channels; ++ch) {
    const QRect box(area.left() + 5 + ch * boxWidth, top, boxWidth - 4, height);
    const SampleFrame* frame = newest > 0 ? ctx_.FrameAt(newest) : nullptr;
    const bool touched = frame != nullptr && frame->keyState[ch] != 0;
    painter.fillRect(box, touched ? QColor(60, 120, 60) : QColor(40, 40, 40));
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(box);
    const int32_t value = frame == nullptr ? 0
                          : singleByte     ? frame->secondValue[ch]
                                           : frame->secondValue[ch] - kValueOffset;
    const int32_t span = std::max(1, settings.channel[ch].EffectiveSecondMax());
    const int bar = static_cast<int>(std::clamp<int64_t>(value, 0, span) * box.height() / span);
    painter.fillRect(QRect(box.left() + 2, box.bottom() - bar, box.width() - 4, bar),
                     QColor(90, 160, 230));
    const int32_t threshold = settings.channel[ch].EffectiveThreshold();
    const int ty = box.bottom() -
                   static_cast<int>(std::clamp<int64_t>(threshold, 0, span) * box.height() / span);
    painter.setPen(QColor(230, 80, 80));
    painter.drawLine(box.left(), ty, box.right(), ty);
    painter.setPen(Qt::white);
    painter.drawText(QRect(box.left(), area.top() + 4, box.width(), 16), Qt::AlignCenter,
                     QString::fromStdString(ChannelLabel::Instance().Label(ch)));
  }
}

}  // namespace padscope
