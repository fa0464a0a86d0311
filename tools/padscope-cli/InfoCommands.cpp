// `settings show` and `text`: the program's state files, readable.
#include <ostream>

#include "CliCommands.h"
#include "platform/ProgramFolders.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"
#include "state/SettingsText.h"
#include "support/TextTable.h"

namespace padscope {

int CmdSettings(CliContext& cli, const std::vector<std::string>& args) {
  if (args.empty() || args[0] != "show" || args.size() > 2) {
    cli.err << "usage: settings show [FILE]\n";
    return 2;
  }
  GlobalSettings settings;
  if (args.size() == 2) {
    if (!LoadSettingsFrom(args[1], settings)) {
      cli.err << "File open failed.\n";
      return 1;
    }
  } else {
    // No "~tmp.tmp" yet: the program starts with the defaults, and so do we.
    LoadSettingsFrom(SettingsFilePath(), settings);
  }
  cli.out << DescribeSettings(settings);
  return 0;
}

int CmdText(CliContext& cli, const std::vector<std::string>& args) {
  std::string id;
  std::string file = (ResourceDirectory() / kTextTableFile).string();
  long long language = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--lang" && i + 1 < args.size() && ParseInteger(args[i + 1], 1, 3, language)) {
      ++i;
    } else if (args[i] == "--file" && i + 1 < args.size()) {
      file = args[++i];
    } else if (id.empty() && args[i].rfind("--", 0) != 0) {
      id = args[i];
    } else {
      id.clear();
      break;
    }
  }
  if (id.empty()) {
    cli.err << "usage: text ID [--lang 1|2|3] [--file PATH]\n";
    return 2;
  }
  TextTable table;
  table.Load(file);
  if (language != 0) {
    table.SetLanguage(static_cast<int>(language));
  } else {
    table.SetLanguageFromLocale();
  }
  cli.out << table.Text(id) << "\n";
  return 0;
}

}  // namespace padscope
