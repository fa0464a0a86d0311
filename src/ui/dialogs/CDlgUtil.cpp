#include "ui/dialogs/CDlgUtil.h"

#include <QTabBar>

namespace padscope {

QString WaveTabText(const QLocale& locale) {
  if (locale.language() == QLocale::Chinese && locale.territory() == QLocale::Taiwan) {
    return QStringLiteral("波形還原");
  }
  if (locale.language() == QLocale::English && locale.territory() == QLocale::UnitedStates) {
    return QStringLiteral("Wave reduction");
  }
  if (locale.language() == QLocale::Chinese && locale.territory() == QLocale::China) {
    return QStringLiteral("波形还原");
  }
  return {};
}

CDlgUtil::CDlgUtil(FlashPageContext context, QWidget* parent, const QLocale& locale)
    : QDialog(parent), tabs_(new QTabBar(this)) {
  setWindowTitle(QStringLiteral("Utilities"));
  page_ = new CDlgAnalysis(std::move(context), this);
  const QString text = WaveTabText(locale);
  if (!text.isEmpty()) {
    tabs_->addTab(text);
  }
  tabs_->setCurrentIndex(0);
  connect(tabs_, &QTabBar::currentChanged, this, &CDlgUtil::OnTabChanged);
  resize(page_->minimumWidth() + 26, page_->minimumHeight() + 50);
  PlacePage();
  page_->show();
}

CDlgUtil::~CDlgUtil() {
  page_->FinishWrite();
}

void CDlgUtil::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlacePage();
}

// The tab control fills the dialog; the page sits in its client area shrunk
// by 14 left, 40 top, 12 right and 10 bottom.
void CDlgUtil::PlacePage() {
  tabs_->setGeometry(0, 0, width(), tabs_->sizeHint().height());
  page_->setGeometry(rect().adjusted(14, 40, -12, -10));
}

void CDlgUtil::OnTabChanged(int index) {
  if (index == 0 || index == 1) {
    page_->show();
  }
}

}  // namespace padscope
