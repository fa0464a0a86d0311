#pragma once

// The update package: the files of a new version in one checked byte image,
// and their installation over an existing program folder.
//
// Layout (all integers big-endian):
//   "PSUPDATE"                 8 bytes
//   format version             uint32, 1
//   entry count                uint32
//   per entry:
//     path length              uint16, 1..1024
//     path                     UTF-8, relative, "/"-separated, no "." or ".." parts
//     flags                    uint32, bit 0: executable
//     size                     uint64
//     contents                 size bytes
//   CRC-32 (IEEE 802.3)        uint32 over every byte before it

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace padscope {

inline constexpr uint32_t kPackageExecutable = 1;
// The package's name on the update server, beside the version page.
inline constexpr char kUpdatePackageName[] = "Padscope.pkg";

struct PackageEntry {
  std::string path;  // relative, "/"-separated
  uint32_t flags = 0;
  std::vector<uint8_t> contents;
};

// CRC-32 as zlib computes it.
uint32_t Crc32(std::span<const uint8_t> bytes);

// True for a relative path that stays inside the folder it is joined to.
bool IsSafePackagePath(const std::string& path);

// The package image of the entries. Entries with unsafe paths are the caller's
// fault; PackUpdate does not check them (UnpackUpdate rejects them).
std::vector<uint8_t> PackUpdate(const std::vector<PackageEntry>& entries);

// Reads a package image. Returns false with a one-line reason when the image is
// short, damaged (checksum), of another format, or names an unsafe or repeated
// path; `entries` is then empty.
bool UnpackUpdate(std::span<const uint8_t> image, std::vector<PackageEntry>& entries,
                  std::string& error);

// Every file under `folder` as entries (paths relative to it, executables
// flagged), in path order. False with a reason when it cannot be read.
bool CollectPackageEntries(const std::filesystem::path& folder, std::vector<PackageEntry>& entries,
                           std::string& error);

// Installs the entries over `target`: every file is first written into a
// staging folder beside the target's files, then each replaced file is moved to
// a backup folder and the new one moved in. If any step fails, every file is put
// back as it was and the reason returned; files the package does not name are
// never touched. `progress` (may be empty) hears a short text per step.
bool InstallUpdate(const std::vector<PackageEntry>& entries, const std::filesystem::path& target,
                   std::string& error,
                   const std::function<void(const std::string&)>& progress = {});

}  // namespace padscope
