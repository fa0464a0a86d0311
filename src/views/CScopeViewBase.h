#pragma once

#include <QEvent>
#include <QImage>
#include <QLine>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <vector>

namespace padscope {

class CaptureContext;

// The private refresh request the display commands post to a scope view.
inline constexpr QEvent::Type kViewRefreshEvent = static_cast<QEvent::Type>(QEvent::User + 2000);

// What the two scope views share: a 2560 x 1440 memory surface they paint
// into and copy to the window unscaled, and a 40 ms timer that repaints while
// capture runs (run state 1) or a chart replays (11). UI thread only.
class CScopeViewBase : public QWidget {
  Q_OBJECT

 public:
  CScopeViewBase(CaptureContext& ctx, QWidget* parent);

  // Renders the surface now (what a refresh request does).
  void Refresh();
  const QImage& surface() const { return surface_; }
  int refreshCount() const { return refreshCount_; }

 protected:
  // Draws the view into the surface; the area to fill is the widget's size.
  virtual void Render(QPainter& painter, const QRect& area) = 0;

  // Draws one-pixel solid lines of one colour straight into the surface,
  // both end points included as a one-pixel pen draws them, clipped to
  // `clip`. The traces are thousands of short lines per paint; this skips
  // the paint engine's set-up for each of them.
  void DrawTraceLines(const std::vector<QLine>& lines, QRgb colour, const QRect& clip);

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  CaptureContext& ctx_;

 private:
  void OnTimer();

  QImage surface_;
  QTimer timer_;
  std::chrono::steady_clock::time_point nextTimedPaint_;
  int refreshCount_ = 0;
};

}  // namespace padscope
