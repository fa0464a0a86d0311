#include "views/CViewKey.h"

#include "views/MessageLogLogic.h"

#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>

namespace padscope {

namespace {
// A log that grows for days of capture stays usable: the oldest lines go.
constexpr int kMaxLines = 100000;
}  // namespace

CViewKey::CViewKey(QWidget* parent)
    : QWidget(parent), list_(new QListWidget(this)), delete_(new QPushButton(this)) {
  delete_->setText(QStringLiteral("删除选项"));
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list_->setUniformItemSizes(true);
  connect(delete_, &QPushButton::clicked, this, &CViewKey::DeleteSelected);
}

void CViewKey::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int w = width();
  const int h = height();
  delete_->setGeometry(2, 2, w - 4, 18);
  list_->setGeometry(2, 30, w - 4, h - 32);
}

void CViewKey::AppendLine(const QString& line) {
  if (list_->count() >= kMaxLines) {
    delete list_->takeItem(0);
  }
  list_->addItem(line);
  list_->clearSelection();
  list_->setCurrentRow(list_->count() - 1, QItemSelectionModel::NoUpdate);
  list_->scrollToBottom();
}

void CViewKey::Clear() {
  list_->clear();
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
