#include "ui/views/CCrosstalkMap.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "analysis/AnalysisReport.h"
#include "support/ChannelLabel.h"
#include "ui/platform/PlainTextQt.h"

namespace padscope {

namespace {

constexpr int kLabelWidth = 60;
constexpr int kLabelHeight = 18;
constexpr int kLegendWidth = 90;  // the colour scale right of the grid
const QColor kFlagOutline(255, 255, 255);

QColor Rgb(uint32_t rgb) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QString Name(int channel) {
  return QString::fromStdString(ChannelLabel::Instance().Label(channel));
}

}  // namespace

CCrosstalkMap::CCrosstalkMap(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setMinimumSize(200, 100);  // a small window keeps its dock short
}

void CCrosstalkMap::SetResult(const AnalysisResult* result) {
  if (result != nullptr) {
    result_ = *result;
  } else {
    result_.reset();
  }
  LayOut();
  update();
}

void CCrosstalkMap::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void CCrosstalkMap::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    hoverText_.clear();
    update();  // its texts are made as it paints
  }
  QWidget::changeEvent(event);
}

void CCrosstalkMap::LayOut() {
  std::vector<int> keys;
  if (result_) {
    for (const ChannelResult& c : result_->channels) {
      keys.push_back(c.channel);
    }
  }
  grid_ = LayOutCrosstalkGrid(std::move(keys), width() - kLegendWidth, height(), kLabelWidth,
                              kLabelHeight, 4);
}

QString CCrosstalkMap::CellDescription(int row, int column) const {
  if (!result_ || grid_.cell == 0) {
    return {};
  }
  const int i = grid_.channels[static_cast<size_t>(row)];
  const int j = grid_.channels[static_cast<size_t>(column)];
  if (i == j) {
    return tr("%1 with itself").arg(Name(i));
  }
  const CrosstalkCell& cell = result_->crosstalk[static_cast<size_t>(i)][static_cast<size_t>(j)];
  if (!cell.measured) {
    return tr("%1 touched alone: not in this range, so its effect on %2 is not known")
        .arg(Name(i), Name(j));
  }
  QString text = tr("%1 touched alone moves %2 by %3")
                     .arg(Name(i), Name(j), QString::fromStdString(FormatFixed(cell.shift, 2)));
  if (cell.percent) {
    text += tr(" (%1 % of %2's signal)")
                .arg(QString::fromStdString(FormatFixed(*cell.percent, 1)), Name(i));
  }
  if (cell.flagged) {
    text += tr(": above the %1 % flag level")
                .arg(QString::fromStdString(FormatFixed(result_->options.crosstalkFlagPercent, 0)));
  }
  return text;
}

void CCrosstalkMap::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  if (!result_ || grid_.channels.empty()) {
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, tr("No analysis to show yet."));
    return;
  }
  if (grid_.cell == 0) {
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, tr("Too small to draw the map."));
    return;
  }
  const int n = static_cast<int>(grid_.channels.size());
  const double flag = result_->options.crosstalkFlagPercent;
  QFont small = font();
  small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.85));
  p.setFont(small);
  for (int r = 0; r < n; ++r) {
    const int i = grid_.channels[static_cast<size_t>(r)];
    const GridRect first = grid_.Cell(r, 0);
    p.setPen(palette().windowText().color());
    p.drawText(QRect(0, first.top, kLabelWidth - 6, first.height),
               Qt::AlignRight | Qt::AlignVCenter, Name(i));
    const GridRect head = grid_.Cell(0, r);
    p.drawText(QRect(head.left, 0, head.width, kLabelHeight - 4),
               Qt::AlignHCenter | Qt::AlignBottom, Name(i));
    for (int c = 0; c < n; ++c) {
      const int j = grid_.channels[static_cast<size_t>(c)];
      const GridRect g = grid_.Cell(r, c);
      const QRect cell(g.left, g.top, g.width, g.height);
      const CrosstalkCell& x = result_->crosstalk[static_cast<size_t>(i)][static_cast<size_t>(j)];
      const QColor fill = i == j ? QColor(32, 32, 32) : Rgb(CrosstalkColour(x, flag));
      p.fillRect(cell.adjusted(1, 1, -1, -1), fill);
      if (i != j && grid_.cell >= 22) {
        p.setPen(fill.lightness() > 140 ? Qt::black : Qt::white);
        p.drawText(cell, Qt::AlignCenter, QString::fromStdString(CrosstalkCellText(x)));
      }
      if (x.flagged) {
        p.setPen(QPen(QColor(20, 20, 20), 1));
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        p.setPen(QPen(kFlagOutline, 2));
        p.drawRect(cell.adjusted(2, 2, -2, -2));
      }
      if (hovered_ && hovered_->first == r && hovered_->second == c) {
        p.setPen(QPen(palette().highlight().color(), 2));
        p.drawRect(cell.adjusted(0, 0, -1, -1));
      }
    }
  }
  DrawLegend(p);
}

void CCrosstalkMap::DrawLegend(QPainter& p) const {
  // A vertical scale right of the grid: no shift at the bottom, twice the
  // flag level and more at the top.
  const int n = static_cast<int>(grid_.channels.size());
  const int height = std::max(60, std::min(n * grid_.cell, 200));
  const QRect bar(grid_.left + n * grid_.cell + 24, grid_.top, 12, height);
  const double flag = result_->options.crosstalkFlagPercent;
  QLinearGradient gradient(bar.bottomLeft(), bar.topLeft());
  for (double t : {0.0, 0.25, 0.5, 0.75, 1.0}) {
    CrosstalkCell sample;
    sample.measured = true;
    sample.percent = 2 * flag * t;
    gradient.setColorAt(t, Rgb(CrosstalkColour(sample, flag)));
  }
  p.fillRect(bar, gradient);
  p.setPen(palette().windowText().color());
  const int textHeight = p.fontMetrics().height();
  const auto label = [&](int y, const QString& text) {
    p.drawText(QRect(bar.right() + 6, y - textHeight / 2, 60, textHeight),
               Qt::AlignLeft | Qt::AlignVCenter, text);
  };
  const QString percent = QStringLiteral("%1 %");
  label(bar.bottom(), percent.arg(0));
  label(bar.center().y(), percent.arg(flag, 0, 'f', 0));
  label(bar.top(), percent.arg(2 * flag, 0, 'f', 0) + QStringLiteral("+"));
}

void CCrosstalkMap::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const auto hit = grid_.Hit(pos.x(), pos.y());
  if (hit != hovered_) {
    hovered_ = hit;
    update();
  }
  hoverText_ = hit ? CellDescription(hit->first, hit->second) : QString();
  if (hoverText_.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(event->globalPosition().toPoint(), PlainToolTip(hoverText_), this);
  }
}

void CCrosstalkMap::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  hovered_.reset();
  hoverText_.clear();
  update();
}

}  // namespace padscope
