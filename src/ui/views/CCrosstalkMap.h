#pragma once

#include <QWidget>
#include <optional>

#include "analysis/Analysis.h"
#include "tuning/CrosstalkGrid.h"

namespace padscope {

// The crosstalk matrix as a coloured grid: one row per touched key, one column
// per key it moves; the share of the touched key's signal written in each
// cell, flagged pairs outlined, the figures of the cell under the pointer in
// its tool tip. UI thread only.
class CCrosstalkMap : public QWidget {
  Q_OBJECT

 public:
  explicit CCrosstalkMap(QWidget* parent = nullptr);

  // The analysis to show (copied), or none.
  void SetResult(const AnalysisResult* result);
  // The grid as last laid out, and the text the cell at (row, column) shows
  // on hover.
  const CrosstalkGridLayout& grid() const { return grid_; }
  QString CellDescription(int row, int column) const;
  QString hoverText() const { return hoverText_; }

  QSize sizeHint() const override { return {420, 320}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void LayOut();
  void DrawLegend(QPainter& p) const;

  std::optional<AnalysisResult> result_;
  CrosstalkGridLayout grid_;
  std::optional<std::pair<int, int>> hovered_;
  QString hoverText_;
};

}  // namespace padscope
