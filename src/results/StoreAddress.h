#pragma once

// Where results are stored, as `--db` names it:
//   sqlite:PATH                  a SQLite file (created on first use)
//   postgresql://... postgres://...
//                                a PostgreSQL server, as a libpq URI
//   host=... dbname=...          a PostgreSQL server, as libpq keyword=value pairs
// libpq also reads its environment variables (PGHOST, PGUSER, ...) and the
// password file; a password given in the address is never shown.

#include <filesystem>
#include <optional>
#include <string>

namespace padscope {

enum class StoreKind { Sqlite, Postgres };

struct StoreAddress {
  StoreKind kind = StoreKind::Sqlite;
  std::string location;  // the file's path, or libpq's connection string

  bool operator==(const StoreAddress&) const = default;
};

// The address of a `--db` value; nothing (and `error` set to one line) when
// it is none of the forms above.
std::optional<StoreAddress> ParseStoreAddress(const std::string& text, std::string& error);

// The default store: "results.db" in the state folder.
StoreAddress DefaultStoreAddress();

// The address for messages and reports, with any password replaced by "***".
std::string DescribeStoreAddress(const StoreAddress& address);

// A short name for the store that stays the same whatever password it was
// given with: its spool folder's name.
std::string StoreSpoolName(const StoreAddress& address);

}  // namespace padscope
