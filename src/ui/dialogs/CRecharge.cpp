#include "ui/dialogs/CRecharge.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "link/HidAdapter.h"
#include "platform/Prompt.h"

namespace padscope {

CRecharge::CRecharge(HidAdapter& adapter, QWidget* parent)
    : QDialog(parent),
      adapter_(adapter),
      edit_(new QLineEdit(QStringLiteral("0"), this)),
      hex_(new QLabel(QStringLiteral("0x00"), this)),
      ok_(new QPushButton(QStringLiteral("确定"), this)) {
  setWindowTitle(QStringLiteral("Recharge data 回灌数据"));
  edit_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit_));
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  ok_->setDefault(true);

  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("设置起始地址:"), this), 0, 0);
  layout->addWidget(edit_, 0, 1);
  layout->addWidget(hex_, 0, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons, 1, 0, 1, 3);

  connect(edit_, &QLineEdit::textChanged, this, &CRecharge::OnAddressEdited);
  connect(ok_, &QPushButton::clicked, this, &CRecharge::accept);
  connect(cancel, &QPushButton::clicked, this, &CRecharge::reject);
}

bool CRecharge::TakeAddress() {
  bool ok = false;
  const int value = edit_->text().toInt(&ok, 10);
  if (!ok) {
    ShowPrompt("Please enter an integer.");
    return false;
  }
  address_ = value;
  return true;
}

void CRecharge::OnAddressEdited() {
  if (TakeAddress()) {
    hex_->setText(QString::asprintf("0x%02X", static_cast<unsigned>(address_)));
  }
}

void CRecharge::accept() {
  if (!adapter_.Connect()) {
    ShowPrompt("NO device.");
    return;
  }
  if (!TakeAddress()) {
    return;
  }
  // Only 24 bits reach the adapter: a larger address would quietly become
  // another one.
  if (address_ > kMaxRechargeAddress) {
    ShowPrompt("The start address must be at most 16777215 (0xFFFFFF).");
    return;
  }
  if (adapter_.SetRechargeAddress(static_cast<uint32_t>(address_))) {
    ShowPrompt("设置回灌地址成功!");
  }
  QDialog::accept();
}

}  // namespace padscope
