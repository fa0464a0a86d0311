// The update package's tools: keygen makes the signing key pair, package
// builds and signs the package that the updater fetches beside the version
// page, verify checks a package as the updater would.
#include <optional>
#include <ostream>

#include "CliCommands.h"
#include "platform/FileBytes.h"
#include "support/UpdateCheck.h"
#include "support/UpdatePackage.h"

#ifndef PADSCOPE_UPDATE_PUBLIC_KEY
#define PADSCOPE_UPDATE_PUBLIC_KEY ""
#endif

namespace padscope {

int CmdKeygen(CliContext& cli, const std::vector<std::string>& args) {
  if (args.size() != 2) {
    cli.err << "usage: keygen PUBLIC SECRET\n";
    return 2;
  }
  std::string error;
  if (!WriteUpdateKeyPair(args[0], args[1], error)) {
    cli.err << error << "\n";
    return 1;
  }
  cli.out << "public key " << args[0] << ", secret key " << args[1]
          << " (keep it away from the repository)\n";
  return 0;
}

int CmdPackage(CliContext& cli, const std::vector<std::string>& args) {
  if (args.size() != 4 || args[2] != "--key") {
    cli.err << "usage: package FOLDER OUTPUT --key SECRET\n";
    return 2;
  }
  UpdateSecretKey key{};
  std::string error;
  if (!ReadUpdateSecretKey(args[3], key, error)) {
    cli.err << error << "\n";
    return 1;
  }
  UpdatePackage package;
  if (!CollectPackageEntries(args[0], package.entries, error)) {
    cli.err << error << "\n";
    return 1;
  }
  const std::optional<int32_t> version =
      ReadInstalledVersion(std::filesystem::path(args[0]) / kAppCheckFile);
  if (!version) {
    cli.err << "no \"Current Version\" in " << args[0] << "/" << kAppCheckFile
            << ": the package must say which version it installs\n";
    return 1;
  }
  package.version = static_cast<uint32_t>(*version);
  const std::vector<uint8_t> image = PackUpdate(package, key);
  key.fill(0);
  // Checked as the updater will, so a folder it would refuse is never shipped.
  UpdatePackage read;
  if (!ParseUpdatePackageBody(std::span(image).first(image.size() - sizeof(UpdateSignature)), read,
                              error)) {
    cli.err << "the folder cannot be packaged: " << error << "\n";
    return 1;
  }
  if (!ReplaceFileBytes(args[1], image)) {
    cli.err << "cannot write " << args[1] << "\n";
    return 1;
  }
  cli.out << package.entries.size() << " files, version " << *version << ", " << image.size()
          << " bytes\n";
  return 0;
}

int CmdVerify(CliContext& cli, const std::vector<std::string>& args) {
  if (args.size() != 1 && !(args.size() == 3 && args[1] == "--key")) {
    cli.err << "usage: verify PACKAGE [--key PUBLIC]\n";
    return 2;
  }
  UpdatePublicKey key{};
  std::string error;
  if (args.size() == 3) {
    if (!ReadUpdatePublicKey(args[2], key, error)) {
      cli.err << error << "\n";
      return 1;
    }
  } else if (const auto built = PublicKeyFromBuild(PADSCOPE_UPDATE_PUBLIC_KEY)) {
    key = *built;
  } else {
    cli.err << "this build has no update key; name one with --key\n";
    return 1;
  }
  std::vector<uint8_t> image;
  if (!ReadFileBytes(args[0], kMaxUpdatePackageBytes + 1, image)) {
    cli.err << "cannot read " << args[0] << "\n";
    return 1;
  }
  UpdatePackage package;
  if (image.size() > kMaxUpdatePackageBytes) {
    cli.err << "the package is larger than " << kMaxUpdatePackageBytes << " bytes\n";
    return 1;
  }
  if (!UnpackUpdate(image, key, package, error)) {
    cli.err << error << "\n";
    return 1;
  }
  cli.out << "signed, version " << package.version << ", " << package.entries.size() << " files, "
          << package.product << " for " << package.platform << "\n";
  return 0;
}

}  // namespace padscope
