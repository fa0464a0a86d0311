#include "ui/dialogs/CCoordinateDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "commands/GlobalParameters.h"
#include "state/FrameFields.h"

namespace padscope {

namespace {

// Text to number as the dialog has always read it: not a number gives 0.
int32_t ToInt(const QLineEdit* edit) {
  return FieldToInt(edit->text().toStdString());
}

constexpr int32_t kLastChannel = 15;

}  // namespace

CCoordinateDlg::CCoordinateDlg(FrameFields& fields, QWidget* parent)
    : QDialog(parent),
      fields_(fields),
      channel_(new QLineEdit(QString::number(fields.tkRangeChannel), this)),
      max_(new QLineEdit(QString::number(fields.tkRangeMax), this)),
      min_(new QLineEdit(QString::number(fields.tkRangeMin), this)),
      keyMax_(new QLineEdit(this)),
      keyMin_(new QLineEdit(this)) {
  setWindowTitle("Set Coordinate");
  channel_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), channel_));
  auto* layout = new QVBoxLayout(this);
  auto* top = new QFormLayout;
  top->addRow(QStringLiteral("TK(0-15):"), channel_);
  layout->addLayout(top);

  auto* original = new QGroupBox(QStringLiteral("Setting the Original value interval"), this);
  auto* originalForm = new QFormLayout(original);
  originalForm->addRow(QStringLiteral("Max value："), max_);
  originalForm->addRow(QStringLiteral("Min value："), min_);
  layout->addWidget(original);

  // The key-value interval is shown but neither filled nor read.
  auto* key = new QGroupBox(QStringLiteral("Setting the Key value interval"), this);
  auto* keyForm = new QFormLayout(key);
  keyForm->addRow(QStringLiteral("Max value："), keyMax_);
  keyForm->addRow(QStringLiteral("Min value："), keyMin_);
  layout->addWidget(key);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("Cancle"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void CCoordinateDlg::accept() {
  fields_.tkRangeMax = ToInt(max_);
  fields_.tkRangeMin = ToInt(min_);
  fields_.tkRangeChannel = std::clamp(ToInt(channel_), 0, kLastChannel);
  QDialog::accept();
}

}  // namespace padscope
