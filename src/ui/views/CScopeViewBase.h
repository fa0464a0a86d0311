#pragma once

#include <QEvent>
#include <QImage>
#include <QLine>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <vector>

#include "viewlogic/TraceRuns.h"

namespace padscope {

class CaptureContext;
struct FrameWalkParams;
struct PlotPoint;

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
  // How the traces are drawn: by the walk that joins every frame to the next,
  // or from the runs of frames per column. Both give the same picture; by
  // default a view takes the runs where columns hold several frames. The
  // paint benchmark and the picture test set one way.
  enum class TraceWalk { kChoose, kLines, kRuns };
  void SetTraceWalk(TraceWalk walk) { traceWalk_ = walk; }
  TraceWalk traceWalk() const { return traceWalk_; }

 protected:
  // Draws the view into the surface; the area to fill is the widget's size.
  virtual void Render(QPainter& painter, const QRect& area) = 0;

  // The fixed title the view draws at its top left (kTitleX, kTitleY), and
  // the tip that says what the view shows, in the window's language.
  static constexpr int kTitleX = 50;
  static constexpr int kTitleY = 10;
  virtual QString Title() const = 0;
  virtual QString TitleTip() const = 0;

  // Draws one-pixel solid lines of one colour straight into the surface,
  // both end points included as a one-pixel pen draws them, clipped to
  // `clip`. The traces are thousands of short lines per paint; this skips
  // the paint engine's set-up for each of them.
  void DrawTraceLines(const std::vector<QLine>& lines, QRgb colour, const QRect& clip);

  // The lines of one run of frames on column x, as joining each of its frames
  // to the next draws it: from `last` (unless there is none) to the run's
  // first point, and, for a run of more than one frame, the vertical span
  // its frames cover. `last` becomes the run's last point.
  struct RunRows {
    int first = 0;  // row of the run's first frame
    int last = 0;   // row of its last frame
    int top = 0;    // rows of its highest and lowest value
    int bottom = 0;
  };
  // The rows of channel i's run: a run of one frame carries its values; a
  // longer one is drawn from its newest and oldest frame's value (`value`)
  // and its extremes. `row` maps a stored value to a row.
  template <typename Value, typename Row>
  static RunRows RowsOfRun(const TraceRun& r, int i, Value value, Row row) {
    const int first = row(r.single() ? r.low[i] : value(r.newest));
    if (r.single()) {
      return RunRows{first, first, first, first};
    }
    return RunRows{first, row(value(r.oldest)), row(r.high[i]), row(r.low[i])};
  }
  // Whether this paint draws the traces from runs.
  bool ByRuns(const FrameWalkParams& walk) const;
  static void AddRunLines(std::vector<QLine>& lines, PlotPoint& last, int x, const RunRows& rows,
                          bool single);

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  CaptureContext& ctx_;

 private:
  void OnTimer();

  QImage surface_;
  QTimer timer_;
  TraceWalk traceWalk_ = TraceWalk::kChoose;
  std::chrono::steady_clock::time_point nextTimedPaint_;
  int refreshCount_ = 0;
};

}  // namespace padscope
