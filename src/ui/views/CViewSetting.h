#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "state/ChartList.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace padscope {

class CaptureContext;
class CaptureHost;
class HidAdapter;
struct FrameFields;

// The threshold list pane (left, top): the two print buttons, the hidden Auto
// Balance button and the chart list (number, file name, hidden full path).
// UI thread only.
class CViewSetting : public QWidget {
  Q_OBJECT

 public:
  CViewSetting(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host, FrameFields& fields,
               QWidget* parent = nullptr);

  // Appends a chart-list entry with the given running number.
  void AddChartEntry(int number, const std::string& name, const std::string& path);
  int ChartCount() const;
  void ClearCharts();
  std::vector<ChartListEntry> ChartEntries() const;

  void SetAutoBalanceVisible(bool visible);
  QPushButton* printThresholdsButton() const { return printThresholds_; }
  QPushButton* printRawButton() const { return printRaw_; }
  QPushButton* autoBalanceButton() const { return autoBalance_; }
  QTreeWidget* chartList() const { return list_; }

 signals:
  // A chart-list entry was double-clicked; its path is in chartPath.
  void ReplayRequested();
  // One file was dropped onto the pane.
  void DropRequested(const QString& path);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The fixed Chinese texts stay; their tips follow the window's language.
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetTips();
  void OnAutoBalance();
  void OnDoubleClick(QTreeWidgetItem* item);

  CaptureContext& ctx_;
  HidAdapter& adapter_;
  CaptureHost& host_;
  FrameFields& fields_;
  QPushButton* printThresholds_;
  QPushButton* printRaw_;
  QPushButton* autoBalance_;
  QTreeWidget* list_;
  // Dragging an entry out of the list removes it.
  QTreeWidgetItem* dragged_ = nullptr;
  QPoint pressAt_;
  bool dragging_ = false;
};

}  // namespace padscope
