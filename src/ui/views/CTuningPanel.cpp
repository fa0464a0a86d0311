#include "ui/views/CTuningPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <span>

#include "analysis/AnalysisReport.h"
#include "analysis/ReportText.h"
#include "capture/CaptureContext.h"
#include "capture/CaptureThread.h"
#include "platform/FileBytes.h"
#include "platform/MessageLog.h"
#include "platform/Prompt.h"
#include "state/GlobalSettings.h"
#include "support/ChannelLabel.h"
#include "tuning/ThresholdApply.h"
#include "ui/views/CCrosstalkMap.h"
#include "ui/views/CViewScope.h"

namespace padscope {

namespace {

constexpr int kAnalysisPeriodMs = 1000;
// Frames read per slice of a long range: a few tens of milliseconds, so the
// views keep their 40 ms pace while a whole buffer is read.
constexpr int64_t kSliceFrames = 100000;
constexpr int kNextSliceMs = 20;
constexpr int kReportPlotColumns = 400;
constexpr int kMaxSeconds = 600;

// The figures the table shows, by their report column names.
constexpr const char* kFigureColumns[] = {"raw_noise",
                                          "raw_signal",
                                          "snr",
                                          "output_snr",
                                          "recommended_threshold",
                                          "threshold",
                                          "false_touch_margin",
                                          "detection_margin",
                                          "touches",
                                          "missed",
                                          "false_touches",
                                          "verdict"};

QColor VerdictColour(Verdict v) {
  switch (v) {
    case Verdict::Pass:
      return QColor(190, 235, 190);
    case Verdict::Fail:
    case Verdict::Stuck:
    case Verdict::Dead:
      return QColor(245, 185, 180);
    default:
      return QColor(220, 220, 220);
  }
}

// The table's item at (row, column), made when it is not there yet.
QTableWidgetItem* Cell(QTableWidget* table, int row, int column) {
  QTableWidgetItem* item = table->item(row, column);
  if (item == nullptr) {
    item = new QTableWidgetItem;
    table->setItem(row, column, item);
  }
  return item;
}

}  // namespace

QString CTuningPanel::KeyName(int channel) {
  return QString::fromStdString(ChannelLabel::Instance().Label(channel));
}

CTuningPanel::CTuningPanel(CaptureContext& ctx, HidAdapter& adapter, CViewScope& scope,
                           QWidget* parent)
    : QWidget(parent), ctx_(ctx), adapter_(adapter), scope_(scope) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  tabs_ = new QTabWidget(this);
  tabs_->addTab(BuildCursorsTab(), QString());
  tabs_->addTab(BuildAnalysisTab(), QString());
  tabs_->addTab(BuildCrosstalkTab(), QString());
  layout->addWidget(tabs_);

  analysisTimer_ = new QTimer(this);
  connect(analysisTimer_, &QTimer::timeout, this, [this] {
    if (isVisible()) {
      UpdateAnalysis();
    }
  });
  analysisTimer_->start(kAnalysisPeriodMs);
  walkTimer_ = new QTimer(this);
  connect(walkTimer_, &QTimer::timeout, this, &CTuningPanel::FeedWalk);
  connect(&scope_, &CViewScope::CursorsChanged, this, &CTuningPanel::UpdateCursorReadout);
  RetranslateUi();
}

void CTuningPanel::changeEvent(QEvent* event) {
  // The panel speaks the window's language and follows a switch at once.
  if (event->type() == QEvent::LanguageChange) {
    RetranslateUi();
  }
  QWidget::changeEvent(event);
}

void CTuningPanel::RetranslateUi() {
  tabs_->setTabText(kCursorsTab, tr("Cursors"));
  tabs_->setTabText(kAnalysisTab, tr("Analysis"));
  ShowCrosstalkTitle();
  exportButton_->setText(tr("Export range..."));
  exportButton_->setToolTip(
      tr("Save the frames between the cursors as a chart (.tkchart) or as decoded CSV (.csv)."));
  cursorTable_->setHorizontalHeaderLabels({tr("Key"), tr("Raw min"), tr("Raw max"), tr("Raw mean"),
                                           tr("Raw p-p"), tr("Output min"), tr("Output max"),
                                           tr("Output mean"), tr("Output p-p")});
  rangeLabel_->setText(tr("Range:"));
  // In the order of TuningRangeKind.
  const QString ranges[] = {tr("Last seconds of the capture"), tr("Between the cursors"),
                            tr("Whole buffer"), tr("Guided measurement")};
  for (int i = 0; i < rangeChoice_->count(); ++i) {
    rangeChoice_->setItemText(i, ranges[i]);
  }
  seconds_->setSuffix(tr(" s"));
  applyButton_->setText(tr("Send recommended thresholds"));
  applyButton_->setToolTip(
      tr("Send the ticked keys' recommended thresholds to the chip and keep them as their "
         "thresholds. Keys that pass are ticked; tick another one to send its threshold too."));
  reportButton_->setText(tr("Save report..."));
  skipButton_->setText(tr("Skip"));
  analysisTable_->setHorizontalHeaderLabels(
      {tr("Key"), tr("Raw noise"), tr("Raw signal"), tr("SNR"), tr("Output SNR"), tr("Recommended"),
       tr("Threshold"), tr("False-touch margin"), tr("Detection margin"), tr("Touches"),
       tr("Missed"), tr("False touches"), tr("Verdict")});
  crosstalkCaption_->setText(
      tr("Rows: the key touched alone. Columns: the key it moves, as a share of the touched "
         "key's signal. Outlined: above the flag level or firing the key's bit. Point at a "
         "cell for its value."));
  ShowWalkState();
  ShowAnalysisStatus();
  if (analysis_.status() != RangeAnalysis::Status::Partial) {
    FillAnalysisTable();
  }
  readoutKey_.reset();
  UpdateCursorReadout(true);
}

void CTuningPanel::ShowCrosstalkTitle() {
  int flagged = 0;
  if (const std::optional<AnalysisResult>& r = analysis_.Result()) {
    for (const auto& row : r->crosstalk) {
      for (const CrosstalkCell& cell : row) {
        flagged += cell.flagged ? 1 : 0;
      }
    }
  }
  tabs_->setTabText(kCrosstalkTab,
                    flagged > 0 ? tr("Crosstalk (%1)").arg(flagged) : tr("Crosstalk"));
}

CTuningPanel::~CTuningPanel() = default;

void CTuningPanel::ShowTab(Tab tab) {
  tabs_->setCurrentIndex(tab);
}

void CTuningPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Shown again after a while: the figures catch up at once.
  QTimer::singleShot(0, this, [this] {
    UpdateCursorReadout(true);
    UpdateAnalysis();
  });
}

QWidget* CTuningPanel::BuildAnalysisTab() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(2);

  auto* rangeRow = new QHBoxLayout;
  rangeLabel_ = new QLabel(page);
  rangeLabel_->setTextFormat(Qt::PlainText);
  rangeRow->addWidget(rangeLabel_);
  rangeChoice_ = new QComboBox(page);
  for (int i = 0; i < 4; ++i) {
    rangeChoice_->addItem(QString());
  }
  rangeRow->addWidget(rangeChoice_);
  seconds_ = new QSpinBox(page);
  seconds_->setRange(1, kMaxSeconds);
  seconds_->setValue(10);
  rangeRow->addWidget(seconds_);
  analysisStatus_ = new QLabel(page);
  analysisStatus_->setTextFormat(Qt::PlainText);
  analysisStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  rangeRow->addWidget(analysisStatus_, 1);
  applyButton_ = new QPushButton(page);
  reportButton_ = new QPushButton(page);
  rangeRow->addWidget(applyButton_);
  rangeRow->addWidget(reportButton_);
  layout->addLayout(rangeRow);

  auto* walkRow = new QHBoxLayout;
  walkButton_ = new QPushButton(page);
  skipButton_ = new QPushButton(page);
  walkText_ = new QLabel(page);
  walkText_->setTextFormat(Qt::PlainText);
  QFont bold = walkText_->font();
  bold.setBold(true);
  walkText_->setFont(bold);
  walkProgress_ = new QProgressBar(page);
  walkProgress_->setRange(0, 100);
  walkProgress_->setMaximumWidth(220);
  walkRow->addWidget(walkButton_);
  walkRow->addWidget(skipButton_);
  walkRow->addWidget(walkProgress_);
  walkRow->addWidget(walkText_, 1);
  layout->addLayout(walkRow);

  analysisTable_ = new QTableWidget(page);
  analysisTable_->setColumnCount(1 + static_cast<int>(std::size(kFigureColumns)));
  analysisTable_->verticalHeader()->hide();
  analysisTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  analysisTable_->setSelectionMode(QAbstractItemView::NoSelection);
  analysisTable_->verticalHeader()->setDefaultSectionSize(analysisTable_->fontMetrics().height() +
                                                          2);
  layout->addWidget(analysisTable_, 1);

  connect(rangeChoice_, &QComboBox::currentIndexChanged, this, &CTuningPanel::RangeChosen);
  connect(seconds_, &QSpinBox::valueChanged, this, &CTuningPanel::UpdateAnalysis);
  connect(walkButton_, &QPushButton::clicked, this, [this] {
    if (walk_ && !walk_->Finished()) {
      StopWalk();
    } else {
      StartWalk();
    }
  });
  connect(skipButton_, &QPushButton::clicked, this, &CTuningPanel::SkipStep);
  connect(applyButton_, &QPushButton::clicked, this, &CTuningPanel::SendRecommendedThresholds);
  connect(reportButton_, &QPushButton::clicked, this, &CTuningPanel::SaveReport);
  connect(analysisTable_, &QTableWidget::cellChanged, this, &CTuningPanel::OnRowChecked);
  return page;
}

QWidget* CTuningPanel::BuildCrosstalkTab() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(2);
  // The caption beside the map: a dock is wide and low, and the map needs
  // its height for sixteen rows.
  auto* row = new QHBoxLayout;
  crosstalk_ = new CCrosstalkMap(page);
  row->addWidget(crosstalk_, 1);
  crosstalkCaption_ = new QLabel(page);
  crosstalkCaption_->setTextFormat(Qt::PlainText);
  crosstalkCaption_->setWordWrap(true);
  crosstalkCaption_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  crosstalkCaption_->setMaximumWidth(260);
  row->addWidget(crosstalkCaption_);
  layout->addLayout(row, 1);
  return page;
}

TuningRange CTuningPanel::Range() const {
  TuningRange range;
  range.kind = static_cast<TuningRangeKind>(rangeChoice_->currentIndex());
  range.seconds = seconds_->value();
  if (range.kind == TuningRangeKind::Cursors) {
    range.from = scope_.cursors().a;
    range.to = scope_.cursors().b;
  } else if (range.kind == TuningRangeKind::Walk && walkRange_) {
    range.from = walkRange_->from;
    range.to = walkRange_->to;
  }
  return range;
}

void CTuningPanel::SetRangeKind(TuningRangeKind kind) {
  rangeChoice_->setCurrentIndex(static_cast<int>(kind));
}

void CTuningPanel::SetSeconds(int seconds) {
  seconds_->setValue(seconds);
}

void CTuningPanel::RangeChosen() {
  seconds_->setEnabled(Range().kind == TuningRangeKind::LastSeconds);
  UpdateAnalysis();
}

AnalysisOptions CTuningPanel::Options() const {
  const GlobalSettings& s = GlobalSettings::Instance();
  AnalysisOptions options;
  options.singleByteMode = s.singleByteMode != 0;
  options.channels = ShownChannelMask(ctx_, s);
  // A loaded chart's stamps are no clock: its frames are the sampling
  // period apart, as analyze counts them; a capture's stamps tell.
  if (ctx_.replayStamps.load()) {
    const uint32_t period = SamplingPeriodMs(s.samplingTimes, s.samplingElapseTenths);
    options.frameMs = period > 0 ? period : kDefaultFrameMs;
    options.frameSource = period > 0 ? FramePeriodSource::Settings : FramePeriodSource::Default;
  } else {
    options.frameMs = 0;  // from the range's time stamps
  }
  if (Range().kind == TuningRangeKind::Walk && walkRange_) {
    options.asked = walkAsked_;
  }
  std::array<int32_t, kAnalysisChannels> thresholds{};
  for (int k = 0; k < kAnalysisChannels; ++k) {
    thresholds[static_cast<size_t>(k)] = s.channel[static_cast<size_t>(k)].EffectiveThreshold();
  }
  options.thresholds = thresholds;
  return options;
}

void CTuningPanel::ShowNewContents() {
  readoutKey_.reset();
  UpdateCursorReadout(true);
  UpdateAnalysis();
}

void CTuningPanel::UpdateAnalysis() {
  // A range still being read shows how far it is; its figures so far would
  // only mislead, and filling the table for every slice would cost the views.
  if (analysis_.Update(ctx_, Range(), Options(), kSliceFrames) &&
      analysis_.status() != RangeAnalysis::Status::Partial) {
    FillAnalysisTable();
    crosstalk_->SetResult(analysis_.Result() ? &*analysis_.Result() : nullptr);
    ShowCrosstalkTitle();
  }
  ShowAnalysisStatus();
  if (analysis_.status() == RangeAnalysis::Status::Partial) {
    QTimer::singleShot(kNextSliceMs, this, &CTuningPanel::UpdateAnalysis);
  }
}

void CTuningPanel::ShowAnalysisStatus() {
  const TuningRange range = Range();
  const std::optional<AnalysisResult>& r = analysis_.Result();
  QString text;
  switch (analysis_.status()) {
    case RangeAnalysis::Status::Partial:
      text = tr("Reading the range... %1 %").arg(static_cast<int>(analysis_.Progress() * 100));
      break;
    case RangeAnalysis::Status::Unavailable:
      if (range.kind == TuningRangeKind::Cursors) {
        text = tr("Place the cursors A and B on the waveform view (Tuning > Measure).");
      } else if (range.kind == TuningRangeKind::Walk) {
        text = tr("Run the guided measurement first.");
      } else {
        text = tr("No frames yet: start the capture or load a chart.");
      }
      break;
    case RangeAnalysis::Status::Current:
      text = tr("Frames %1 to %2: %3 decoded, %4 idle")
                 .arg(r->firstFrame)
                 .arg(r->lastFrame)
                 .arg(r->frames)
                 .arg(r->idleFrames);
      break;
  }
  analysisStatus_->setText(text);
}

void CTuningPanel::FillAnalysisTable() {
  // Items are reused and the columns sized once at the end: sizing them to
  // their contents on every change costs more than the analysis itself.
  filling_ = true;
  analysisTable_->setUpdatesEnabled(false);
  const std::optional<AnalysisResult>& r = analysis_.Result();
  const int rows = r ? static_cast<int>(r->channels.size()) : 0;
  analysisTable_->setRowCount(rows);
  for (int row = 0; row < rows; ++row) {
    const ChannelResult& c = r->channels[static_cast<size_t>(row)];
    QTableWidgetItem* key = Cell(analysisTable_, row, 0);
    key->setText(KeyName(c.channel));
    key->setData(Qt::UserRole, c.channel);
    key->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    key->setCheckState(((SelectedChannels() >> c.channel) & 1) ? Qt::Checked : Qt::Unchecked);
    int column = 1;
    for (const char* name : kFigureColumns) {
      const ReportColumn* figure = ReportColumnNamed(name);
      const ReportCell value = figure != nullptr ? figure->value(c) : std::nullopt;
      const QString text = value ? QString::fromStdString(*value) : QString();
      QTableWidgetItem* item = Cell(analysisTable_, row, column++);
      item->setData(Qt::UserRole, text);
      if (std::string_view(name) != "verdict") {
        item->setText(text);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        continue;
      }
      const char* verdicts[] = {QT_TR_NOOP("pass"),    QT_TR_NOOP("fail"),  QT_TR_NOOP("untouched"),
                                QT_TR_NOOP("no data"), QT_TR_NOOP("stuck"), QT_TR_NOOP("dead")};
      item->setText(tr(verdicts[static_cast<int>(c.verdict)]));
      item->setTextAlignment(Qt::AlignCenter);
      item->setBackground(VerdictColour(c.verdict));
      item->setForeground(Qt::black);
      // Why, in the report's words, on the verdict and the key.
      ReportInputs inputs;
      inputs.label = [](int k) { return ChannelLabel::Instance().Label(k); };
      QString why;
      for (const std::string& reason : VerdictReasons(c, r->options, inputs)) {
        why += (why.isEmpty() ? "" : "\n") + QString::fromStdString(reason);
      }
      item->setToolTip(why);
      key->setToolTip(why);
    }
  }
  analysisTable_->resizeColumnsToContents();
  analysisTable_->setUpdatesEnabled(true);
  filling_ = false;
}

void CTuningPanel::OnRowChecked(int row, int column) {
  if (filling_ || column != 0) {
    return;
  }
  const QTableWidgetItem* key = analysisTable_->item(row, 0);
  const int channel = key->data(Qt::UserRole).toInt();
  const auto bit = static_cast<uint16_t>(1u << channel);
  const bool on = key->checkState() == Qt::Checked;
  ticked_ = on ? ticked_ | bit : ticked_ & static_cast<uint16_t>(~bit);
  unticked_ = on ? unticked_ & static_cast<uint16_t>(~bit) : unticked_ | bit;
}

uint16_t CTuningPanel::SelectedChannels() const {
  // Keys that pass, unless the user unticked them; others only when ticked.
  uint16_t passing = 0;
  if (const std::optional<AnalysisResult>& r = analysis_.Result()) {
    for (const ChannelResult& c : r->channels) {
      passing |= c.verdict == Verdict::Pass ? static_cast<uint16_t>(1u << c.channel) : 0;
    }
  }
  return static_cast<uint16_t>((passing & ~unticked_) | ticked_);
}

void CTuningPanel::SendRecommendedThresholds() {
  const std::optional<AnalysisResult>& r = analysis_.Result();
  const ThresholdApplyOutcome outcome =
      r ? padscope::SendRecommendedThresholds(*r, SelectedChannels(), ctx_,
                                              GlobalSettings::Instance(), adapter_)
        : ThresholdApplyOutcome{true};
  if (outcome.refused) {
    ShowPrompt(tr("Nothing measured yet: no ticked key has a recommended threshold. Touch the "
                  "keys (or run the guided measurement) and try again.")
                   .toStdString(),
               PromptIcon::Warning);
    return;
  }
  if (outcome.sent > 0) {
    emit ThresholdsChanged(outcome.sentChannels);
    UpdateAnalysis();
  }
  if (outcome.failed > 0 || outcome.skipped > 0) {
    ShowPrompt(tr("%1 of %2 thresholds were not sent; the message log says why.")
                   .arg(outcome.failed + outcome.skipped)
                   .arg(outcome.sent + outcome.failed + outcome.skipped)
                   .toStdString(),
               PromptIcon::Warning);
  }
}

std::optional<std::filesystem::path> CTuningPanel::AskSavePath(const char* filter,
                                                               const char* extension,
                                                               const std::string& proposed,
                                                               const QString& title) {
  FileRequest request;
  request.kind = FileDialogKind::Save;
  request.filter = filter;
  request.defaultExtension = extension;
  request.proposedName = proposed;
  request.overwritePrompt = true;
  request.title = title.toStdString();
  return TheFileChooser()->Choose(request);
}

bool CTuningPanel::WriteFileText(const std::filesystem::path& path, const std::string& text) {
  if (ReplaceFileBytes(path,
                       std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()))) {
    return true;
  }
  ReportWriteFailure(path);
  return false;
}

void CTuningPanel::ReportWriteFailure(const std::filesystem::path& path) {
  ShowPrompt(tr("Could not write %1.").arg(QString::fromStdString(path.string())).toStdString(),
             PromptIcon::Error);
}

void CTuningPanel::SaveReport() {
  const std::optional<AnalysisResult>& r = analysis_.Result();
  if (!r || r->Empty()) {
    ShowPrompt(tr("Nothing measured yet: there is no analysis to report.").toStdString(),
               PromptIcon::Warning);
    return;
  }
  const std::optional<std::filesystem::path> path =
      AskSavePath("HTML (*.html)|*.html||", "html", "tuning-report.html", tr("Save report"));
  if (!path) {
    return;
  }
  // The report's plots need the plot summary the panel does without.
  AnalysisOptions options = r->options;
  options.plotColumns = kReportPlotColumns;
  const AnalysisResult full = AnalyzeBuffer(ctx_, r->firstFrame, r->lastFrame, options);
  ReportInputs inputs;
  inputs.source = rangeChoice_->currentText().toStdString() + ", Padscope window";
  inputs.label = [](int channel) { return ChannelLabel::Instance().Label(channel); };
  if (!WriteFileText(*path, FormatAnalysisHtml(full, inputs))) {
    return;
  }
  AddMessageLog("Tuning report saved: %s", path->string().c_str());
}

}  // namespace padscope
