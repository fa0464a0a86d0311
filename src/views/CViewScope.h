#pragma once

#include <QPen>
#include <QPoint>
#include <array>

#include "views/CScopeViewBase.h"
#include "views/ScopeGeometry.h"

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
  CViewScope(CaptureContext& ctx, FrameFields& fields, QWidget* parent = nullptr);

  const ScopeLayout& layout() const { return layout_; }
  // 0 none, 1 maximum arrow, 2 minimum arrow, 3 one of the eight buttons.
  int hoverMode() const { return hoverMode_; }

 protected:
  void Render(QPainter& painter, const QRect& area) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // Recomputes the handle and button rectangles; drops any arrow drag offset.
  void LayOut(int width, int height);
  void HoverAt(QPoint pos);

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

  QPen whitePen_;
  QPen handlePen_;
  QPen gridPen_;
  QPen watchPen_;
  QPen crossPen_;
  std::array<QPen, 16> channelPens_;
};

}  // namespace padscope
