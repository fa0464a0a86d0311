#include "ui/views/CViewSetting.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>

#include "capture/CaptureContext.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "ui/platform/PlainTextQt.h"
#include "ui/views/ViewHost.h"
#include "viewlogic/MessageLogLogic.h"
#include "viewlogic/ThresholdListLogic.h"

namespace padscope {

namespace {
enum Column { kColumnNumber, kColumnName, kColumnPath };
}  // namespace

CViewSetting::CViewSetting(CaptureContext& ctx, HidAdapter& adapter, CaptureHost& host,
                           FrameFields& fields, QWidget* parent)
    : QWidget(parent),
      ctx_(ctx),
      adapter_(adapter),
      host_(host),
      fields_(fields),
      printThresholds_(new QPushButton(QStringLiteral("输出 阈值"), this)),
      printRaw_(new QPushButton(QStringLiteral("输出 原始值"), this)),
      autoBalance_(new QPushButton(QString::fromUtf8(kAutoBalanceIdleText), this)),
      list_(new QTreeWidget(this)) {
  printThresholds_->setGeometry(28, 10, 126, 24);
  printRaw_->setGeometry(28, 45, 126, 24);
  autoBalance_->hide();
  list_->setColumnCount(3);
  list_->setHeaderLabels(
      {QStringLiteral("序号"), QStringLiteral("双击:加载/ 点击表头:终止"), QStringLiteral("path")});
  list_->setColumnWidth(kColumnNumber, 20);
  list_->setColumnWidth(kColumnName, 165);
  list_->setColumnHidden(kColumnPath, true);
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setSectionsClickable(true);
  connect(printThresholds_, &QPushButton::clicked, this,
          [this] { PrintThresholds(GlobalSettings::Instance(), ctx_); });
  connect(printRaw_, &QPushButton::clicked, this, [this] { PrintRawValues(ctx_); });
  connect(autoBalance_, &QPushButton::clicked, this, &CViewSetting::OnAutoBalance);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, &CViewSetting::OnDoubleClick);
  list_->viewport()->installEventFilter(this);
  setAcceptDrops(true);
  // A click on the header ends a running replay or load.
  connect(list_->header(), &QHeaderView::sectionClicked, this,
          [this](int) { fields_.playbackStop = 1; });
  SetTips();
}

void CViewSetting::SetTips() {
  printThresholds_->setToolTip(
      tr("Print thresholds: writes every key's threshold into the "
         "message log."));
  printRaw_->setToolTip(
      tr("Print raw values: writes every key's newest raw count (its "
         "baseline) into the message log."));
  QTreeWidgetItem* header = list_->headerItem();
  header->setToolTip(kColumnNumber, tr("Number"));
  header->setToolTip(kColumnName,
                     tr("Charts loaded or saved: double-click one to load and play it again, "
                        "click this header to stop a replay or load, drag one out of the list "
                        "to remove it."));
}

void CViewSetting::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    SetTips();
  }
  QWidget::changeEvent(event);
}

void CViewSetting::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const PaneRect r = ChartListRect(width(), height());
  list_->setGeometry(r.x, r.y, r.width, r.height);
  autoBalance_->setGeometry(0, height() - 24, 126, 24);
}

void CViewSetting::OnAutoBalance() {
  uint16_t sent = 0;
  autoBalance_->setText(QString::fromUtf8(
      ToggleAutoBalance(ctx_, GlobalSettings::Instance(), adapter_, host_, &sent)));
  if (sent != 0) {
    // The chip has thresholds of its own for these keys now.
    fields_.unsentThresholds &= static_cast<uint16_t>(~sent);
    if (ViewHost* host = theViewHost()) {
      host->RefreshScopes();
    }
  }
}

void CViewSetting::SetAutoBalanceVisible(bool visible) {
  autoBalance_->setVisible(visible);
  if (visible) {
    autoBalance_->raise();
  }
}

void CViewSetting::AddChartEntry(int number, const std::string& name, const std::string& path) {
  auto* item = new QTreeWidgetItem(list_);
  item->setText(kColumnNumber, QString::number(number));
  item->setText(kColumnName, QString::fromStdString(name));
  item->setText(kColumnPath, QString::fromStdString(path));
  item->setTextAlignment(kColumnPath, Qt::AlignCenter);
  // The full path shows when the pointer rests on the entry.
  item->setToolTip(kColumnName, PlainToolTip(QString::fromStdString(path)));
}

void CViewSetting::OnDoubleClick(QTreeWidgetItem* item) {
  if (item == nullptr) {
    return;
  }
  fields_.chartPath = item->text(kColumnPath).toStdString();
  if (!fields_.chartPath.empty()) {
    emit ReplayRequested();
  }
}

void CViewSetting::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
  }
}

void CViewSetting::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  event->acceptProposedAction();
  // Exactly one file is loaded; several at once load nothing.
  if (urls.size() == 1 && urls.first().isLocalFile()) {
    emit DropRequested(urls.first().toLocalFile());
  }
}

bool CViewSetting::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched != list_->viewport() ||
      (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
       type != QEvent::MouseButtonRelease)) {
    return QWidget::eventFilter(watched, event);
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (mouse->button() == Qt::LeftButton) {
        pressAt_ = mouse->position().toPoint();
        dragged_ = list_->itemAt(pressAt_);
        dragging_ = false;
      }
      break;
    case QEvent::MouseMove:
      if (dragged_ != nullptr && (mouse->buttons() & Qt::LeftButton) &&
          (mouse->position().toPoint() - pressAt_).manhattanLength() >=
              QApplication::startDragDistance()) {
        dragging_ = true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (dragging_ && dragged_ != nullptr &&
          !list_->viewport()->rect().contains(mouse->position().toPoint())) {
        delete dragged_;
      }
      dragged_ = nullptr;
      dragging_ = false;
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

int CViewSetting::ChartCount() const {
  return list_->topLevelItemCount();
}

void CViewSetting::ClearCharts() {
  list_->clear();
}

std::vector<ChartListEntry> CViewSetting::ChartEntries() const {
  std::vector<ChartListEntry> entries;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = list_->topLevelItem(i);
    entries.push_back(
        {item->text(kColumnName).toStdString(), item->text(kColumnPath).toStdString()});
  }
  return entries;
}

}  // namespace padscope
