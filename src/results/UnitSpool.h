#pragma once

// Results kept on the station while their store cannot take them: one file
// per run in a private folder of the state folder, one folder per store, so
// that a result waits for the store it was meant for. The next run that
// reaches that store delivers them first; a result delivered twice (two
// processes at once, or a crash between the commit and the file's removal)
// is stored once, by its run id.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/StoreAddress.h"
#include "results/UnitRecord.h"

namespace padscope {

class ResultsStore;

// A unit as bytes and back; every field round-trips exactly.
std::string EncodeUnit(const UnitRecord& unit);
std::optional<UnitRecord> DecodeUnit(std::string_view bytes);

class UnitSpool {
 public:
  // The spool of the store at `address`: "spool/<store name>" in the state folder.
  explicit UnitSpool(const StoreAddress& address);

  const std::filesystem::path& Folder() const { return folder_; }
  // Keeps the unit as "<run id>.unit" (written whole or not at all). False
  // with `error` set when the folder cannot be made private or written.
  bool Keep(const UnitRecord& unit, std::string& error);
  // The files waiting, oldest name first.
  std::vector<std::filesystem::path> Waiting() const;
  // Writes every waiting unit to `store` in one transaction and removes
  // their files. A file that cannot be read is left where it is and named in
  // `unreadable`. False, with `error` set, when the store refused them (all
  // stay waiting).
  bool Deliver(ResultsStore& store, size_t& delivered, std::vector<std::string>& unreadable,
               std::string& error);

 private:
  bool MakeFolder(std::string& error) const;

  std::filesystem::path folder_;
};

// What became of one run's result.
struct DeliveryOutcome {
  bool stored = false;   // in the store
  bool spooled = false;  // kept in the spool instead
  size_t delivered = 0;  // earlier spooled results written first
  // For standard error: why it was spooled, what could not be read.
  std::vector<std::string> messages;
};

// Opens the store, delivers what its spool holds, then writes `unit`; when
// the store cannot be reached or written, keeps `unit` in the spool.
DeliveryOutcome DeliverResult(const StoreAddress& address, const UnitRecord& unit);

}  // namespace padscope
