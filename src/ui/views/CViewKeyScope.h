#pragma once

#include <QLine>
#include <QPoint>
#include <array>
#include <vector>

#include "capture/SampleFrame.h"

#include "ui/views/CScopeViewBase.h"
#include "viewlogic/KeyScopeGeometry.h"
#include "viewlogic/TraceRuns.h"

class QMouseEvent;

namespace padscope {

struct FrameFields;
struct GlobalSettings;

// The key scope pane (right, bottom): the output value of every shown channel
// over time with its threshold line, a box per channel with a bar against the
// channel's range, the channel switch squares and the zoom slider. Dragging
// edits the ranges, thresholds and zoom in GlobalSettings. UI thread only.
class CViewKeyScope : public CScopeViewBase {
  Q_OBJECT

 public:
  CViewKeyScope(CaptureContext& ctx, FrameFields& fields, QWidget* parent = nullptr);

  int hoverCode() const { return hoverCode_; }
  int hoverChannel() const { return hoverChannel_; }
  // The layout of the last paint, as the hit test sees it.
  const keyscope::HitLayout& layout() const { return layout_; }

 protected:
  void Render(QPainter& painter, const QRect& area) override;
  QString Title() const override;
  QString TitleTip() const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void DrawAxes(QPainter& painter, int w, int h);
  void DrawSwitches(QPainter& painter, const GlobalSettings& s, int h, int channels);
  void DrawPlot(QPainter& painter, const GlobalSettings& s, int w, int channels);
  // Fill traceLines_ from every frame, or from the runs per column; true when
  // any frame was plotted.
  bool TraceByLines(const GlobalSettings& s, const FrameWalkParams& walk, int channels);
  bool TraceByRuns(const GlobalSettings& s, const FrameWalkParams& walk, int channels);
  void DrawThresholdLines(QPainter& painter, const GlobalSettings& s, int w, int channels);
  void DrawBoxes(QPainter& painter, GlobalSettings& s, int w, int h, int channels);
  void DrawBox(QPainter& painter, const GlobalSettings& s, int c);
  void DrawBar(QPainter& painter, const GlobalSettings& s, int c);
  void DrawSlider(QPainter& painter, const GlobalSettings& s);
  // The key and value of the threshold line the pointer is on or drags.
  void DrawThresholdLabel(QPainter& painter, const GlobalSettings& s, int w);
  // The channel whose threshold the pointer is on (line or box mark), or -1.
  int ThresholdUnderPointer() const;
  int32_t OutputValue(int frame, int channel) const;

  // A pointer move without the button: the hover state, its status text and
  // cursor (HoverAt), and a repaint when the threshold label changes.
  void Hover(const QPoint& pos);
  void HoverAt(const QPoint& pos);
  void Drag(const QPoint& pos);
  void SetPaneZero(const std::string& text);
  void PostRefresh();

  FrameFields& fields_;
  keyscope::HitLayout layout_;
  // Reused between paints so a paint allocates nothing once warmed up.
  std::array<std::vector<QLine>, kFrameChannels> traceLines_;
  std::vector<TraceRun> traceRuns_;
  keyscope::Rect sliderRect_;
  int hoverCode_ = 0;
  bool buttonDown_ = false;
  QPoint pressPoint_;
  int hoverChannel_ = -1;
  int pressedChannel_ = -1;
  QPoint pointer_{-1, -1};  // where the pointer was last seen over the view
};

}  // namespace padscope
