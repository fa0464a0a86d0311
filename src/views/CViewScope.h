#pragma once

#include <QPen>
#include <QPoint>
#include <array>

#include <QLine>
#include <array>
#include <vector>

#include "capture/SampleFrame.h"
#include "views/CScopeViewBase.h"
#include "views/ScopeGeometry.h"
#include "views/ScopeRepeater.h"

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

 protected:
  void Render(QPainter& painter, const QRect& area) override;
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
  void DrawOverlays(QPainter& p, const ScopeScale& scale) const;
  // Step of the frame walk that watches one channel's newest value.
  void CheckWatch();

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
};

}  // namespace padscope
