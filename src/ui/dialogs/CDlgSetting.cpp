#include "ui/dialogs/CDlgSetting.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "platform/Prompt.h"
#include "state/GlobalSettings.h"
#include "ui/dialogs/CDecimalEdit.h"

namespace padscope {

namespace {

// An edit field that takes digits only.
QLineEdit* NumberEdit(const std::string& text, QWidget* parent) {
  auto* edit = new QLineEdit(QString::fromStdString(text), parent);
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
  return edit;
}

// The elapse field: at most 12 characters, one decimal, no sign.
constexpr DecimalInputRules kElapseRules{12, 1, false};

}  // namespace

CDlgSetting::CDlgSetting(GlobalSettings& settings, CaptureContext& ctx, HidAdapter* adapter,
                         QWidget* parent)
    : QDialog(parent), settings_(settings), ctx_(ctx), adapter_(adapter) {
  setWindowTitle(QStringLiteral("Setting"));
  const ParameterForm form = InitialParameterForm(settings);
  chTimer_ = NumberEdit(form.chTimer, this);
  elapse_ = new CDecimalEdit(kElapseRules, this);
  elapse_->setText(QString::fromStdString(form.elapse));
  times_ = NumberEdit(form.times, this);
  maxHoldKey_ = NumberEdit(form.maxHoldKey, this);
  debounce_ = NumberEdit(form.debounce, this);
  debounceLabel_ = new QLabel(QString::fromUtf8(DebounceLabel(settings.parameterMode)), this);
  noComposeKey_ = new QCheckBox(QStringLiteral("No Compose Key"), this);
  noComposeKey_->setChecked(form.noComposeKey);
  buffer_ = NumberEdit(form.bufferKb, this);

  auto* grid = new QGridLayout;
  int row = 0;
  const auto addRow = [&](QWidget* label, QWidget* field) {
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    ++row;
  };
  addRow(new QLabel(QStringLiteral("CH Timer(1-7):"), this), chTimer_);
  addRow(new QLabel(QStringLiteral("Sampling Elapse(ms):"), this), elapse_);
  addRow(new QLabel(QStringLiteral("Times:"), this), times_);
  addRow(new QLabel(QStringLiteral("Max Hold Key Time(1-5S):"), this), maxHoldKey_);
  addRow(debounceLabel_, debounce_);
  grid->addWidget(noComposeKey_, row++, 1);
  addRow(new QLabel(QStringLiteral("Capture Buffer Size (KB)"), this), buffer_);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
  ok->setDefault(true);
  buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);
}

ParameterForm CDlgSetting::Form() const {
  ParameterForm form;
  form.chTimer = chTimer_->text().toStdString();
  form.elapse = elapse_->text().toStdString();
  form.times = times_->text().toStdString();
  form.maxHoldKey = maxHoldKey_->text().toStdString();
  form.debounce = debounce_->text().toStdString();
  form.noComposeKey = noComposeKey_->isChecked();
  form.bufferKb = buffer_->text().toStdString();
  return form;
}

void CDlgSetting::accept() {
  const ApplyResult result = ApplyGlobalParameters(Form(), settings_, ctx_, adapter_, bufferHooks_);
  if (!result.message.empty()) {
    ShowPrompt(result.message);
  }
  if (result.accepted) {
    QDialog::accept();
  }
}

}  // namespace padscope
