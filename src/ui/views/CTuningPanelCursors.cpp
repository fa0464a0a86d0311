// The tuning panel's cursor read-out and "Export range…".
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <sstream>

#include "analysis/AnalysisReport.h"
#include "capture/CaptureContext.h"
#include "files/ChartFile.h"
#include "files/DecodedCsv.h"
#include "platform/MessageLog.h"
#include "platform/Prompt.h"
#include "state/GlobalSettings.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewScope.h"

namespace padscope {

namespace {

// Ranges up to this many frames are measured while a cursor is dragged;
// longer ones once it is let go.
constexpr int kLiveMeasureFrames = 20000;

QTableWidgetItem* Number(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

// Minimum, maximum, mean and peak to peak of one value, empty without values.
QStringList Figures(const ValueStats& v) {
  if (v.count == 0) {
    return {QString(), QString(), QString(), QString()};
  }
  return {QString::number(v.min), QString::number(v.max),
          QString::fromStdString(FormatFixed(v.Mean(), 2)),
          QString::number(int64_t{v.max} - v.min)};
}

QString Duration(int64_t ms) {
  return QString::fromStdString(FormatDuration(ms));
}

}  // namespace

QWidget* CTuningPanel::BuildCursorsTab() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(2);
  auto* top = new QHBoxLayout;
  cursorSummary_ = new QLabel(page);
  cursorSummary_->setTextFormat(Qt::PlainText);
  cursorSummary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  cursorSummary_->setWordWrap(true);
  top->addWidget(cursorSummary_, 1);
  exportButton_ = new QPushButton(page);
  top->addWidget(exportButton_, 0, Qt::AlignTop);
  layout->addLayout(top);

  cursorTable_ = new QTableWidget(page);
  cursorTable_->setColumnCount(9);
  cursorTable_->verticalHeader()->hide();
  cursorTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  cursorTable_->verticalHeader()->setDefaultSectionSize(cursorTable_->fontMetrics().height() + 2);
  layout->addWidget(cursorTable_, 1);
  connect(exportButton_, &QPushButton::clicked, this, &CTuningPanel::ExportRange);
  return page;
}

void CTuningPanel::UpdateCursorReadout(bool settled) {
  const std::optional<MeasureCursors::Indexes> at = scope_.cursors().Resolve(ctx_);
  exportButton_->setEnabled(at.has_value());
  if (!at) {
    readoutKey_.reset();
    cursorSummary_->setText(
        tr("Switch Measure on (Tuning menu, toolbar or F8), then press on the waveform view to "
           "place cursor A and drag to place B. Drag a cursor to move it."));
    cursorTable_->setRowCount(0);
    if (settled && Range().kind == TuningRangeKind::Cursors) {
      UpdateAnalysis();
    }
    return;
  }
  const bool single = GlobalSettings::Instance().singleByteMode != 0;
  const ReadoutKey key{*scope_.cursors().a, *scope_.cursors().b,
                       ShownChannelMask(ctx_, GlobalSettings::Instance()), single};
  const bool measure = settled || at->last() - at->first() <= kLiveMeasureFrames;
  if (measure && readoutKey_ == key) {
    return;
  }
  // While a long range is dragged only its ends are read; the figures follow on release.
  const int64_t timeA = FrameTimeMs(ctx_, at->a);
  const int64_t timeB = FrameTimeMs(ctx_, at->b);
  cursorSummary_->setText(tr("A: frame %1 at %2    B: frame %3 at %4    Δt: %5, %6 frames")
                              .arg(at->a)
                              .arg(Duration(timeA))
                              .arg(at->b)
                              .arg(Duration(timeB))
                              .arg(Duration(std::llabs(timeB - timeA)))
                              .arg(std::abs(at->b - at->a)));
  if (measure) {
    readoutKey_ = key;
    FillCursorTable(MeasureRange(ctx_, at->a, at->b, single));
    if (settled && Range().kind == TuningRangeKind::Cursors) {
      UpdateAnalysis();
    }
  }
}

void CTuningPanel::FillCursorTable(const RangeMeasurement& m) {
  const uint16_t shown = ShownChannelMask(ctx_, GlobalSettings::Instance());
  cursorTable_->setUpdatesEnabled(false);
  cursorTable_->setRowCount(0);
  for (int k = 0; k < kAnalysisChannels; ++k) {
    if (((shown >> k) & 1) == 0) {
      continue;
    }
    const int row = cursorTable_->rowCount();
    cursorTable_->insertRow(row);
    cursorTable_->setItem(row, 0, new QTableWidgetItem(KeyName(k)));
    int column = 1;
    for (const QString& text :
         Figures(m.raw[static_cast<size_t>(k)]) + Figures(m.output[static_cast<size_t>(k)])) {
      cursorTable_->setItem(row, column++, Number(text));
    }
  }
  cursorTable_->resizeColumnsToContents();
  cursorTable_->setUpdatesEnabled(true);
}

void CTuningPanel::ExportRange() {
  const std::optional<MeasureCursors::Indexes> at = scope_.cursors().Resolve(ctx_);
  if (!at) {
    ShowPrompt(tr("Place the cursors A and B on the waveform view first (Tuning > Measure).")
                   .toStdString(),
               PromptIcon::Warning);
    return;
  }
  const std::optional<std::filesystem::path> path = AskSavePath(
      "Chart (*.tkchart)|*.tkchart|Decoded CSV (*.csv)|*.csv||", "tkchart",
      "range_" + std::to_string(at->first()) + "-" + std::to_string(at->last()) + ".tkchart",
      tr("Export range"));
  if (!path) {
    return;
  }
  std::string extension = path->extension().string();
  for (char& c : extension) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (extension == ".csv") {
    std::ostringstream csv;
    WriteDecodedCsv(csv, ctx_, GlobalSettings::Instance().singleByteMode != 0, at->first(),
                    at->last());
    if (!WriteFileText(*path, csv.str())) {
      return;
    }
  } else if (!WriteChart(*path, ctx_, at->first(), at->last())) {
    ReportWriteFailure(*path);
    return;
  }
  AddMessageLog("Frames %d to %d saved to %s", at->first(), at->last(), path->string().c_str());
}

}  // namespace padscope
