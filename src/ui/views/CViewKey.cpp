#include "ui/views/CViewKey.h"

#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <algorithm>

#include "viewlogic/MessageLogLogic.h"

namespace padscope {

namespace {
// A log that grows for days of capture stays usable: the oldest lines go.
constexpr int kMaxLines = 100000;
// Room the item style keeps around a line's text.
constexpr int kLineSlack = 8;
// Lines the log shows at least.
constexpr int kMinLines = 5;

// The height the list gives one line: what its delegate asks for a line of text.
int RowHeight(const QListWidget& list) {
  QStyleOptionViewItem option;
  option.initFrom(&list);
  option.font = list.font();
  option.fontMetrics = list.fontMetrics();
  option.text = QStringLiteral("Xg");
  option.features = QStyleOptionViewItem::HasDisplay;
  return list.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &list).height();
}

QRect ToQRect(const PaneRect& r) {
  return QRect(r.x, r.y, r.width, r.height);
}
}  // namespace

// The list gives every line one size, so that a long log costs nothing to lay
// out. That size is measured on a single line, so wider lines would be cut
// with no way to scroll to their end: every line is made as wide as the
// widest one so far.
class CViewKey::LineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(std::max(size.width(), widest));
    return size;
  }

  int widest = 0;
};

CViewKey::CViewKey(QWidget* parent)
    : QWidget(parent),
      list_(new QListWidget(this)),
      delete_(new QPushButton(this)),
      lineDelegate_(new LineDelegate(list_)) {
  delete_->setText(QStringLiteral("删除选项"));
  list_->setItemDelegate(lineDelegate_);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list_->setUniformItemSizes(true);
  connect(delete_, &QPushButton::clicked, this, &CViewKey::DeleteSelected);
  // However short the window, Send's and the capture's feedback stays readable.
  const int chrome = 2 * list_->frameWidth() +
                     list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_);
  setMinimumHeight(MessageLogMinimumHeight(kMinLines, RowHeight(*list_), chrome));
  SetTips();
}

void CViewKey::SetTips() {
  delete_->setToolTip(tr("Delete item: removes the selected line from the message log."));
}

void CViewKey::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    SetTips();
  }
  QWidget::changeEvent(event);
}

void CViewKey::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  delete_->setGeometry(ToQRect(MessageLogButtonRect(width(), height())));
  list_->setGeometry(ToQRect(MessageLogListRect(width(), height())));
}

void CViewKey::AppendLine(const QString& line) {
  if (list_->count() >= kMaxLines) {
    delete list_->takeItem(0);
  }
  // Adding the line lays the list out again, with this width.
  lineDelegate_->widest =
      std::max(lineDelegate_->widest, list_->fontMetrics().horizontalAdvance(line) + kLineSlack);
  list_->addItem(line);
  list_->clearSelection();
  list_->setCurrentRow(list_->count() - 1, QItemSelectionModel::NoUpdate);
  list_->scrollToBottom();
}

void CViewKey::Clear() {
  list_->clear();
  lineDelegate_->widest = 0;
}

std::vector<std::string> CViewKey::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(list_->count()));
  for (int i = 0; i < list_->count(); ++i) {
    lines.push_back(list_->item(i)->text().toStdString());
  }
  return lines;
}

void CViewKey::DeleteSelected() {
  const auto selected = list_->selectedItems();
  const int selection = selected.isEmpty() ? -1 : list_->row(selected.first());
  const LineDeletion d = DeleteSelectedLine(list_->count(), selection);
  if (d.deleteIndex < 0) {
    return;
  }
  delete list_->takeItem(d.deleteIndex);
  if (d.newSelection >= 0) {
    list_->setCurrentRow(d.newSelection);
  }
}

}  // namespace padscope
