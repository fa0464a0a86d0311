#pragma once

// The update package: the files of a new version in one signed byte image.
//
// Layout (all integers big-endian):
//   "PSUPDATE"                 8 bytes
//   format version             uint32, 2
//   package version            uint32, the "Current Version" it installs (> 0)
//   entry count                uint32
//   per entry:
//     path length              uint16, 1..1024
//     path                     UTF-8, relative, "/"-separated (IsSafePackagePath)
//     flags                    uint32, bit 0: executable
//     size                     uint64
//     contents                 size bytes
//   signature                  64 bytes, Ed25519 over every byte before it
//
// The package must carry "appCheck" naming its own version, so that once it is
// installed the same package can never be installed again, and, on lines of
// their own, the product and the platform it is for:
//   Current Version = 107
//   Product = Padscope
//   Platform = linux-x86_64

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/UpdateKeys.h"

namespace padscope {

inline constexpr uint32_t kPackageExecutable = 1;
// The package's name on the update server, beside the version page.
inline constexpr char kUpdatePackageName[] = "Padscope.pkg";
// The largest package the updater holds in memory; larger ones are refused.
inline constexpr size_t kMaxUpdatePackageBytes = size_t{512} << 20;
// Names the installer keeps for itself at the top of the installation.
inline constexpr char kReservedUpdateName[] = ".padscope-update";
// The product every package of this program names.
inline constexpr char kUpdateProduct[] = "Padscope";

// The platform this build's packages are for, as the build names it
// ("linux-x86_64"); the build writes it into appCheck too.
std::string_view UpdatePlatform();

struct PackageEntry {
  std::string path;  // relative, "/"-separated
  uint32_t flags = 0;
  std::vector<uint8_t> contents;
};

struct UpdatePackage {
  uint32_t version = 0;
  std::vector<PackageEntry> entries;
  // From the package's appCheck; not fields of their own in the image.
  std::string product{};
  std::string platform{};
};

// True for a relative path of printable parts that stays inside the folder it is
// joined to and does not take a name the installer keeps for itself, in any
// letter case.
bool IsSafePackagePath(const std::string& path);

// Everything the signature covers. Unchecked: UnpackUpdate refuses what breaks
// the rules.
std::vector<uint8_t> UpdatePackageBody(const UpdatePackage& package);

// The signed package image.
std::vector<uint8_t> PackUpdate(const UpdatePackage& package, const UpdateSecretKey& key);

// Checks the signature with `key` before anything else, then reads the signed
// body. Returns false with a one-line reason when the image is not a package of
// this format, is not signed by that key, was changed after signing, is short
// or long, names an unsafe, repeated or conflicting path (also when letter case
// is ignored, as some file systems do), or its "appCheck" does not name its
// version, a product and a platform; `package` is then empty.
bool UnpackUpdate(std::span<const uint8_t> image, const UpdatePublicKey& key,
                  UpdatePackage& package, std::string& error);

// The reading half of UnpackUpdate, for a body whose signature was checked (and
// for fuzzing the format rules, which a signature would keep out of reach).
bool ParseUpdatePackageBody(std::span<const uint8_t> body, UpdatePackage& package,
                            std::string& error);

// What a package must fit to be installed over a program.
struct UpdateTarget {
  std::optional<int32_t> installedVersion;  // none: unknown, so nothing is installed
  std::string programName;                  // the running program's file name in the installation
};

// True when the package is this product's, for this platform, newer than the
// installed version and replaces the program; else false with a reason.
bool FitsUpdateTarget(const UpdatePackage& package, const UpdateTarget& target, std::string& error);

// UnpackUpdate, then FitsUpdateTarget: everything the updater checks before it
// writes anything.
bool UnpackUpdateFor(std::span<const uint8_t> image, const UpdatePublicKey& key,
                     const UpdateTarget& target, UpdatePackage& package, std::string& error);

// Every file under `folder` as entries (paths relative to it, executables
// flagged), in path order. False with a reason when it cannot be read.
bool CollectPackageEntries(const std::filesystem::path& folder, std::vector<PackageEntry>& entries,
                           std::string& error);

}  // namespace padscope
