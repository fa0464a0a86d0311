#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "tuning/GuidedWalk.h"
#include "tuning/MeasureCursors.h"
#include "tuning/RangeAnalysis.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace padscope {

class CaptureContext;
class CCrosstalkMap;
class CViewScope;
class HidAdapter;

// The tuning panel (the Tuning dock's contents), in three tabs: the cursors'
// read-out with "Export range…"; the analysis of a chosen range per shown key
// with the guided measurement, "Send recommended thresholds" and "Save
// report…"; and the crosstalk map. It reads the capture buffer on the UI
// thread while it is shown: the analysis about once a second, the guided
// measurement's frames ten times a second. UI thread only.
class CTuningPanel : public QWidget {
  Q_OBJECT

 public:
  enum Tab { kCursorsTab, kAnalysisTab, kCrosstalkTab };

  CTuningPanel(CaptureContext& ctx, HidAdapter& adapter, CViewScope& scope,
               QWidget* parent = nullptr);
  ~CTuningPanel() override;

  void ShowTab(Tab tab);
  // Brings the analysis up to date now (what the timer does once a second).
  void UpdateAnalysis();
  // The buffer holds new contents (or none): the read-out and the analysis
  // follow now rather than on the next tick.
  void ShowNewContents();
  // The range the analysis covers, as chosen in the panel.
  TuningRange Range() const;
  void SetRangeKind(TuningRangeKind kind);
  void SetSeconds(int seconds);
  const std::optional<AnalysisResult>& Result() const { return analysis_.Result(); }
  // Keys "Send recommended thresholds" sends (bit k: channel k): those that
  // pass unless the user unticked them, and those the user ticked.
  uint16_t SelectedChannels() const;

  // The guided measurement. Starting it starts the capture when it is stopped.
  void StartWalk();
  void StopWalk();
  void SkipStep();
  const std::optional<GuidedWalk>& walk() const { return walk_; }
  void SetWalkOptions(const WalkOptions& options) { walkOptions_ = options; }

  void SendRecommendedThresholds();
  void SaveReport();
  // Saves the frames between the cursors as a chart or, for a ".csv" name, as
  // decoded CSV.
  void ExportRange();

  // The widgets, for the window's wiring and for tests.
  QTabWidget* tabs() const { return tabs_; }
  QTableWidget* cursorTable() const { return cursorTable_; }
  QLabel* cursorSummary() const { return cursorSummary_; }
  QTableWidget* analysisTable() const { return analysisTable_; }
  QLabel* analysisStatus() const { return analysisStatus_; }
  QLabel* walkText() const { return walkText_; }
  QProgressBar* walkProgress() const { return walkProgress_; }
  QPushButton* walkButton() const { return walkButton_; }
  QPushButton* skipButton() const { return skipButton_; }
  QPushButton* applyButton() const { return applyButton_; }
  QPushButton* reportButton() const { return reportButton_; }
  CCrosstalkMap* crosstalkMap() const { return crosstalk_; }

 signals:
  // Thresholds in the settings record changed (the scopes show them); the
  // chip took those of `sent` (bit k: channel k).
  void ThresholdsChanged(uint16_t sent);
  // The guided measurement wants the capture running.
  void StartCaptureRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* BuildCursorsTab();
  QWidget* BuildAnalysisTab();
  QWidget* BuildCrosstalkTab();
  // Sets every text in the current language.
  void RetranslateUi();
  void ShowCrosstalkTitle();

  static QString KeyName(int channel);
  // The file a Save dialog chooses, or nothing when it is cancelled.
  static std::optional<std::filesystem::path> AskSavePath(const char* filter, const char* extension,
                                                          const std::string& proposed,
                                                          const QString& title);
  // Writes the file whole or leaves it as it was; says so when it fails.
  bool WriteFileText(const std::filesystem::path& path, const std::string& text);
  void ReportWriteFailure(const std::filesystem::path& path);

  // Cursors tab (CTuningPanelCursors.cpp).
  void UpdateCursorReadout(bool settled);
  void FillCursorTable(const RangeMeasurement& m);

  // Analysis tab.
  AnalysisOptions Options() const;
  void FillAnalysisTable();
  void ShowAnalysisStatus();
  void OnRowChecked(int row, int column);
  void RangeChosen();

  // Guided measurement (CTuningPanelWalk.cpp).
  void FeedWalk();
  void ShowWalkState();
  void FinishWalk();
  QString WalkNotes() const;

  CaptureContext& ctx_;
  HidAdapter& adapter_;
  CViewScope& scope_;
  RangeAnalysis analysis_;
  std::optional<GuidedWalk> walk_;
  WalkOptions walkOptions_;
  int64_t walkNext_ = 0;  // position of the next frame the walk reads
  uint32_t walkGeneration_ = 0;
  std::optional<TuningRange> walkRange_;  // the last finished walk's frames
  std::vector<AskedTouch> walkAsked_;     // the last finished walk's touch steps
  std::vector<int> walkKeys_;             // the keys the walk asks for, in order
  uint16_t ticked_ = 0;                   // keys the user ticked
  uint16_t unticked_ = 0;                 // keys the user unticked
  // What the cursor read-out shows, so it is measured again only on a change.
  struct ReadoutKey {
    FrameMark a;
    FrameMark b;
    uint16_t channels = 0;
    bool singleByte = true;
    bool operator==(const ReadoutKey&) const = default;
  };
  std::optional<ReadoutKey> readoutKey_;
  bool filling_ = false;  // the table is being filled, not edited

  QTabWidget* tabs_ = nullptr;
  QLabel* cursorSummary_ = nullptr;
  QTableWidget* cursorTable_ = nullptr;
  QPushButton* exportButton_ = nullptr;
  QLabel* rangeLabel_ = nullptr;
  QComboBox* rangeChoice_ = nullptr;
  QSpinBox* seconds_ = nullptr;
  QLabel* analysisStatus_ = nullptr;
  QTableWidget* analysisTable_ = nullptr;
  QPushButton* walkButton_ = nullptr;
  QPushButton* skipButton_ = nullptr;
  QLabel* walkText_ = nullptr;
  QProgressBar* walkProgress_ = nullptr;
  QPushButton* applyButton_ = nullptr;
  QPushButton* reportButton_ = nullptr;
  CCrosstalkMap* crosstalk_ = nullptr;
  QLabel* crosstalkCaption_ = nullptr;
  QTimer* analysisTimer_ = nullptr;
  QTimer* walkTimer_ = nullptr;
};

}  // namespace padscope
