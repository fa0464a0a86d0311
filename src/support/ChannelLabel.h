#pragma once

// How the views name a channel: a prefix and a number base, so that channel i
// reads "CH0" by default or, say, "TK1" when the text table says so.

#include <cstdint>
#include <mutex>
#include <string>

namespace padscope {

class TextTable;

// Any thread may call every member.
class ChannelLabel {
 public:
  ChannelLabel() = default;
  ChannelLabel(const ChannelLabel&) = delete;
  ChannelLabel& operator=(const ChannelLabel&) = delete;

  // The process-wide record, created on first call with base 0 and prefix "CH".
  static ChannelLabel& Instance();
  // Restores the process-wide record's defaults. Test fixtures only.
  static void ResetForTest();

  // The prefix followed by base + channel in decimal.
  std::string Label(int channel) const;

  int32_t Base() const;
  std::string Prefix() const;
  void SetBase(int32_t base);
  void SetPrefix(std::string prefix);

  // Takes the base from Number("V_CHINDEX") and the prefix from Text("V_CHNAME"),
  // in the table's current language.
  void RefreshFromTextTable(const TextTable& table);

 private:
  mutable std::mutex mutex_;
  int32_t base_ = 0;
  std::string prefix_ = "CH";
};

}  // namespace padscope
