#pragma once

#include <QPen>
#include <QPoint>
#include <array>

#include <QLine>
#include <array>
#include <vector>

#include "capture/SampleFrame.h"
#include "tuning/MeasureCursors.h"
#include "ui/views/CScopeViewBase.h"
#include "viewlogic/ScopeGeometry.h"
#include "viewlogic/ScopeRepeater.h"
#include "viewlogic/TraceRuns.h"

namespace padscope {

struct FrameFields;
struct GlobalSettings;

// The waveform pane (right, top): the raw value of every shown channel against
// time or frame number, newest at the left, with a value grid, a time axis, the
// range handle, eight zoom/pan buttons, the optional cross-hair and the
// out-of-interval watch.
class CViewScope : public CScopeViewBase {
  Q_OBJECT

 public:
  CViewScope(CaptureContext& ctx, FrameFields& fields, QWidget* parent = nullptr,
             ScopeRepeater::Timing repeatTiming = {});
  ~CViewScope() override;

  const ScopeLayout& layout() const { return layout_; }
  // 0 none, 1 maximum arrow, 2 minimum arrow, 3 one of the eight buttons.
  int hoverMode() const { return hoverMode_; }
  // Whether a held button's repeat worker is running.
  bool repeating() const { return repeater_.Running(); }

  // The status text over the range handle's maximum (mode 1) or minimum
  // (mode 2) arrow, with that end of the range.
  static QString RangeHoverText(int mode, int32_t value);

  // Measure mode: a press on the plot places cursor A there and the drag
  // places B (a press on a cursor moves that one); the buttons and the range
  // handle keep working. Off, the view's mouse handling is as it always was.
  void SetMeasuring(bool on);
  bool measuring() const { return measuring_; }
  const MeasureCursors& cursors() const { return cursors_; }
  void SetCursors(const MeasureCursors& cursors);
  // x of cursor A (0) or B (1) as last painted, or -1 when not drawn.
  int cursorX(int which) const { return cursorX_[static_cast<size_t>(which)]; }

 signals:
  // The cursors moved; `settled` once the button is up again.
  void CursorsChanged(bool settled);

 protected:
  void Render(QPainter& painter, const QRect& area) override;
  QString Title() const override;
  QString TitleTip() const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // Recomputes the handle and button rectangles; drops any arrow drag offset.
  void LayOut(int width, int height);
  void EnsureLayout();
  void HoverAt(QPoint pos);
  void DragRangeHandle(QPoint pos, int factor);
  void Pan(QPoint pos, int factor);
  // One step of held button k, on the UI thread; dropped unless press
  // `generation` is still held.
  void RunButtonStep(int button, uint64_t generation);
  // Finer or coarser time scale, then lay out and refresh both scopes.
  void ZoomTime(bool finer);
  void RefreshAfterTimeZoom();
  void ShowStatus(const QString& text) const;

  void DrawRangeHandle(QPainter& p) const;
  void DrawButtons(QPainter& p) const;
  void DrawAxes(QPainter& p, const ScopeScale& scale) const;
  void DrawTimeAxis(QPainter& p, bool timeMode) const;
  void DrawWaveforms(QPainter& p, const GlobalSettings& settings, const ScopeScale& scale);
  // Fill traceLines_ from every frame, or from the runs per column; true when
  // any frame was plotted.
  bool TraceByLines(const FrameWalkParams& walk, const std::array<bool, kFrameChannels>& drawn,
                    const ScopeScale& scale);
  bool TraceByRuns(const FrameWalkParams& walk, const std::array<bool, kFrameChannels>& drawn,
                   const ScopeScale& scale);
  void DrawOverlays(QPainter& p, const ScopeScale& scale) const;
  // Step of the frame walk that watches one channel's newest value.
  void CheckWatch();

  // Measure mode (CViewScopeMeasure.cpp).
  bool PressCursor(QPoint pos);
  void DragCursor(QPoint pos);
  void ReleaseCursor();
  // Before the frame walk: which frames the cursors sit on; during it, their x.
  // Drawn per column, a cursor takes the column of the run holding its frame.
  void PrepareCursorColumns();
  void NoteCursorRuns(const FrameWalkParams& walk);
  void NoteCursorColumn(int index, int x) {
    for (size_t k = 0; k < 2; ++k) {
      if (index == cursorIndex_[k] && cursorX_[k] < 0) {
        cursorX_[k] = x + kScopeAxisX;
      }
    }
  }
  void DrawCursors(QPainter& p) const;
  // The pointer over the plot in measure mode: a cross, or a sizing arrow
  // over a cursor that a press would pick up.
  Qt::CursorShape MeasureHoverShape(QPoint pos) const;
  // The cursor drawn within a few pixels of x (0 A, 1 B), or -1.
  int CursorNear(int x) const;

  FrameFields& fields_;
  ScopeLayout layout_;
  bool laidOut_ = false;
  int hoverMode_ = 0;
  bool buttonDown_ = false;
  int maxArrowOffset_ = 0;
  int minArrowOffset_ = 0;
  QPoint mousePos_{-100, -100};
  QPoint lastPoint_;
  QPoint pressPoint_;
  bool measuring_ = false;
  MeasureCursors cursors_;
  int draggedCursor_ = -1;  // 0 A, 1 B, -1 none
  std::array<int, 2> cursorIndex_{-1, -1};
  std::array<int, 2> cursorX_{-1, -1};
  // Counts presses, so that a step posted by the worker before a release is
  // recognised as stale when it arrives after it.
  uint64_t pressGeneration_ = 0;

  QPen whitePen_;
  QPen handlePen_;
  QPen gridPen_;
  QPen watchPen_;
  QPen crossPen_;
  std::array<QPen, 16> channelPens_;
  // Declared last, so destroyed first: the worker ends before the pens and
  // fields it could reach through this view.
  ScopeRepeater repeater_;
  // Reused between paints so a paint allocates nothing once warmed up.
  std::array<std::vector<QLine>, kFrameChannels> traceLines_;
  std::vector<TraceRun> traceRuns_;
};

}  // namespace padscope
