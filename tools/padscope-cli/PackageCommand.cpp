// package: builds the update package that the updater fetches beside the
// version page, from a folder laid out as the installed program is.
#include <fstream>
#include <ostream>

#include "CliCommands.h"
#include "support/UpdatePackage.h"

namespace padscope {

int CmdPackage(CliContext& cli, const std::vector<std::string>& args) {
  if (args.size() != 2) {
    cli.err << "usage: package FOLDER OUTPUT\n";
    return 2;
  }
  std::vector<PackageEntry> entries;
  std::string error;
  if (!CollectPackageEntries(args[0], entries, error)) {
    cli.err << error << "\n";
    return 1;
  }
  if (entries.empty()) {
    cli.err << "no files in " << args[0] << "\n";
    return 1;
  }
  const std::vector<uint8_t> image = PackUpdate(entries);
  std::ofstream out(args[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()),
            static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    cli.err << "cannot write " << args[1] << "\n";
    return 1;
  }
  cli.out << entries.size() << " files, " << image.size() << " bytes\n";
  return 0;
}

}  // namespace padscope
