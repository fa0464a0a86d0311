#pragma once

#include <QDialog>
#include <QLocale>
#include <QString>

#include "ui/dialogs/CDlgAnalysis.h"

class QTabBar;

namespace padscope {

// The flash page's tab text for the system's default locale: Traditional
// Chinese (Taiwan, 1028) "波形還原", US English (1033) "Wave reduction",
// Simplified Chinese (PRC, 2052) "波形还原"; empty for any other locale, which
// gets no tab (the page shows all the same).
QString WaveTabText(const QLocale& locale);

// "Utilities": a tab control holding the one flash page. Opened modally by
// the main frame's Utilities command. UI thread.
class CDlgUtil : public QDialog {
  Q_OBJECT

 public:
  CDlgUtil(FlashPageContext context, QWidget* parent = nullptr,
           const QLocale& locale = QLocale::system());
  // Lets a running flash write finish before the page goes.
  ~CDlgUtil() override;

  CDlgAnalysis* page() const { return page_; }
  QTabBar* tabBar() const { return tabs_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PlacePage();
  void OnTabChanged(int index);

  QTabBar* tabs_;
  CDlgAnalysis* page_;
};

}  // namespace padscope
