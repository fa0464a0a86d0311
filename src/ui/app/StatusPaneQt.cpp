#include "ui/app/StatusPaneQt.h"

#include <QPainter>
#include <QResizeEvent>

#include "ui/platform/PlainTextQt.h"

namespace padscope {

namespace {
constexpr int kTextMargin = 3;
}  // namespace

StatusPane::StatusPane(int nominalWidth, int minimumWidth, QWidget* parent)
    : QFrame(parent), nominalWidth_(nominalWidth), minimumWidth_(minimumWidth) {
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Sunken);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void StatusPane::setText(const QString& text) {
  if (text == text_) {
    return;
  }
  text_ = text;
  UpdateToolTip();
  update();
}

QSize StatusPane::sizeHint() const {
  return {nominalWidth_, fontMetrics().height() + 2 * frameWidth() + 2};
}

QSize StatusPane::minimumSizeHint() const {
  return {minimumWidth_, sizeHint().height()};
}

void StatusPane::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter p(this);
  const QRect area = contentsRect().adjusted(kTextMargin, 0, -kTextMargin, 0);
  p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
             fontMetrics().elidedText(text_, Qt::ElideRight, area.width()));
}

void StatusPane::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  UpdateToolTip();
}

void StatusPane::UpdateToolTip() {
  const int room = contentsRect().width() - 2 * kTextMargin;
  setToolTip(fontMetrics().horizontalAdvance(text_) > room ? PlainToolTip(text_) : QString());
}

}  // namespace padscope
