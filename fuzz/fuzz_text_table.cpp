// A text table file of arbitrary bytes: loading, looking up the ids the
// program reads (numbers included) in every language, and the channel labels.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/Prompt.h"
#include "platform/RecordingPrompt.h"
#include "support/ChannelLabel.h"
#include "support/TextTable.h"

using namespace padscope;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/padscope-fuzz-text-" + std::to_string(getpid()) + ".xml";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    return 0;
  }
  std::fwrite(data, 1, size, out);
  std::fclose(out);

  SetPrompt(std::make_shared<RecordingPrompt>());
  TextTable table;
  if (!table.Load(path)) {
    return 0;
  }
  for (int language = 1; language <= 3; ++language) {
    table.SetLanguage(language);
    (void)table.Text("ID_WIN_TITLE");
    (void)table.Text("V_CHNAME");
    (void)table.Number("V_CHINDEX");
    (void)table.Number("V_CH%d", language);
    ChannelLabel::Instance().RefreshFromTextTable(table);
    for (int c = 0; c < 16; ++c) {
      (void)ChannelLabel::Instance().Label(c);
    }
  }
  return 0;
}
