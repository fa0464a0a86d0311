#pragma once

// The results store's tables, created on first use and moved forward by
// numbered migrations. A migration, once released, is never changed: a store
// at version N has run migrations 1 to N exactly as they were written.
//
// Version 1: units (one row per run) and unit_keys (each key's verdict,
//            reason and the figures the statistics are made of).
// Version 2: units.kind (check or analyze), key_figures (every figure of the
//            analysis report by name, so new figures need no new column),
//            key_crosstalk, and the lot and station indexes.

#include <memory>
#include <string>

#include "results/SqlConnection.h"
#include "results/StoreAddress.h"

namespace padscope {

inline constexpr int kResultsSchemaVersion = 2;

// A connection to the store at `address` (SQLite or PostgreSQL); null, with
// `error` set to one line, when it cannot be reached.
std::unique_ptr<SqlConnection> OpenSqlConnection(const StoreAddress& address, std::string& error);

// Brings the store's tables to `version` (created from nothing when there are
// none), holding the store's write lock so that stations starting at once
// migrate it once. Returns the version it is at afterwards, or -1 with
// `error` set: a failed migration changes nothing, and a store made by a
// newer program (a higher version than this one knows) is left alone.
int MigrateSchema(SqlConnection& connection, int version, std::string& error);

}  // namespace padscope
