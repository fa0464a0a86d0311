#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace padscope {

class HidAdapter;

// The start address the adapter feeds its recording back from takes 24 bits.
inline constexpr int32_t kMaxRechargeAddress = 0xFFFFFF;

// "Recharge data 回灌数据": sends the adapter the start address from which it
// feeds recorded data back. The address is typed in decimal and shown beside
// the field in hexadecimal as it is typed. UI thread.
class CRecharge : public QDialog {
  Q_OBJECT

 public:
  explicit CRecharge(HidAdapter& adapter, QWidget* parent = nullptr);

  QLineEdit* addressEdit() const { return edit_; }
  QLabel* hexLabel() const { return hex_; }
  QPushButton* okButton() const { return ok_; }
  int32_t address() const { return address_; }

  // OK: connects, sends the address and closes; stays open without an adapter
  // or with an address that does not fit in 24 bits.
  void accept() override;

 private:
  // Takes the field's value into address_; complains and returns false when it
  // holds no integer.
  bool TakeAddress();
  void OnAddressEdited();

  HidAdapter& adapter_;
  QLineEdit* edit_;
  QLabel* hex_;
  QPushButton* ok_;
  int32_t address_ = 0;
};

}  // namespace padscope
