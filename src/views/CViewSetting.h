#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "app/ChartList.h"

class QPushButton;
class QTreeWidget;

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

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnAutoBalance();

  CaptureContext& ctx_;
  HidAdapter& adapter_;
  CaptureHost& host_;
  FrameFields& fields_;
  QPushButton* printThresholds_;
  QPushButton* printRaw_;
  QPushButton* autoBalance_;
  QTreeWidget* list_;
};

}  // namespace padscope
