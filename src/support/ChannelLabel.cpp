#include "support/ChannelLabel.h"

#include <utility>

#include "support/TextTable.h"

namespace padscope {

ChannelLabel& ChannelLabel::Instance() {
  static ChannelLabel label;
  return label;
}

void ChannelLabel::ResetForTest() {
  ChannelLabel& label = Instance();
  std::lock_guard lock(label.mutex_);
  label.base_ = 0;
  label.prefix_ = "CH";
}

std::string ChannelLabel::Label(int channel) const {
  std::lock_guard lock(mutex_);
  // Widened: the base comes from a text file and may be anything up to the int32 limits.
  return prefix_ + std::to_string(int64_t{base_} + channel);
}

int32_t ChannelLabel::Base() const {
  std::lock_guard lock(mutex_);
  return base_;
}

std::string ChannelLabel::Prefix() const {
  std::lock_guard lock(mutex_);
  return prefix_;
}

void ChannelLabel::SetBase(int32_t base) {
  std::lock_guard lock(mutex_);
  base_ = base;
}

void ChannelLabel::SetPrefix(std::string prefix) {
  std::lock_guard lock(mutex_);
  prefix_ = std::move(prefix);
}

void ChannelLabel::RefreshFromTextTable(const TextTable& table) {
  const int32_t base = table.Number("V_CHINDEX");
  std::string prefix = table.Text("V_CHNAME");
  std::lock_guard lock(mutex_);
  base_ = base;
  prefix_ = std::move(prefix);
}

}  // namespace padscope
