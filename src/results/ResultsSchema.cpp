#include "results/ResultsSchema.h"

#include <algorithm>
#include <vector>

#include "results/PostgresConnection.h"
#include "results/SqliteConnection.h"

namespace padscope {

namespace {

// Each migration in a neutral SQL; the few words the two dialects spell
// differently are filled in by Spell.
const std::vector<std::vector<std::string>>& Migrations() {
  static const std::vector<std::vector<std::string>> migrations = {
      // 1
      {"CREATE TABLE units ("
       " id {ID},"
       " run_id TEXT NOT NULL UNIQUE,"
       " serial {BYTES} NOT NULL,"
       " lot {BYTES} NOT NULL,"
       " station {BYTES} NOT NULL,"
       " start_ms BIGINT NOT NULL,"
       " end_ms BIGINT NOT NULL,"
       " program_version TEXT NOT NULL,"
       " settings TEXT NOT NULL,"
       " settings_sha256 TEXT NOT NULL,"
       " rule TEXT NOT NULL,"
       " options TEXT NOT NULL,"
       " recording_path {BYTES} NOT NULL,"
       " recording_sha256 TEXT NOT NULL,"
       " verdict TEXT NOT NULL,"
       " exit_status INTEGER NOT NULL)",
       "CREATE INDEX units_start ON units (start_ms)",
       "CREATE TABLE unit_keys ("
       " unit_id BIGINT NOT NULL REFERENCES units (id),"
       " channel INTEGER NOT NULL,"
       " snr {REAL},"
       " noise {REAL},"
       " signal {REAL},"
       " false_touch_margin {REAL},"
       " detection_margin {REAL},"
       " verdict TEXT NOT NULL,"
       " reason TEXT NOT NULL,"
       " PRIMARY KEY (unit_id, channel)){CLUSTERED}"},
      // 2
      {"ALTER TABLE units ADD COLUMN kind TEXT NOT NULL DEFAULT 'check'",
       "CREATE INDEX units_lot ON units (lot, start_ms)",
       "CREATE INDEX units_station ON units (station, start_ms)",
       "CREATE TABLE key_figures ("
       " unit_id BIGINT NOT NULL REFERENCES units (id),"
       " channel INTEGER NOT NULL,"
       " position INTEGER NOT NULL,"
       " name TEXT NOT NULL,"
       " value TEXT,"
       " PRIMARY KEY (unit_id, channel, position))",
       "CREATE TABLE key_crosstalk ("
       " unit_id BIGINT NOT NULL REFERENCES units (id),"
       " channel INTEGER NOT NULL,"
       " affected INTEGER NOT NULL,"
       " percent {REAL} NOT NULL,"
       " PRIMARY KEY (unit_id, channel, affected))"},
  };
  return migrations;
}

std::string Spell(std::string sql, SqlDialect dialect) {
  const bool pg = dialect == SqlDialect::Postgres;
  const std::pair<const char*, const char*> words[] = {
      {"{ID}", pg ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY"},
      // PostgreSQL's text holds neither NUL nor invalid UTF-8; bytea holds anything.
      {"{BYTES}", pg ? "BYTEA" : "BLOB"},
      {"{REAL}", pg ? "DOUBLE PRECISION" : "REAL"},
      // A unit's keys side by side in the file: a report reads them in turn.
      {"{CLUSTERED}", pg ? "" : " WITHOUT ROWID"},
  };
  for (const auto& [word, spelling] : words) {
    for (size_t p = sql.find(word); p != std::string::npos; p = sql.find(word, p)) {
      sql.replace(p, std::string(word).size(), spelling);
    }
  }
  return sql;
}

// The version recorded in the store; 0 for a store without tables.
int StoredVersion(SqlConnection& c, std::string& error) {
  if (!c.Execute("CREATE TABLE IF NOT EXISTS padscope_schema (version INTEGER NOT NULL)")) {
    error = c.LastError();
    return -1;
  }
  auto select = c.Prepare("SELECT version FROM padscope_schema");
  if (select && select->Step()) {
    return static_cast<int>(select->Int(0));
  }
  if (!select || select->Failed() || !c.Execute("INSERT INTO padscope_schema VALUES (0)")) {
    error = c.LastError();
    return -1;
  }
  return 0;
}

int MigrateLocked(SqlConnection& c, int version, std::string& error) {
  // Every station may open the store at once: one migrates, the others wait
  // for its commit and find the work done.
  if (c.Dialect() == SqlDialect::Postgres &&
      !c.Execute("SELECT pg_advisory_xact_lock(7233609938113275251)")) {
    error = c.LastError();
    return -1;
  }
  const int stored = StoredVersion(c, error);
  if (stored < 0) {
    return -1;
  }
  const int known = static_cast<int>(Migrations().size());
  if (stored > known) {
    error = "the store is at schema version " + std::to_string(stored) +
            ", made by a newer Padscope (this one knows up to " + std::to_string(known) + ")";
    return -1;
  }
  for (int v = stored + 1; v <= version; ++v) {
    for (const std::string& sql : Migrations()[static_cast<size_t>(v - 1)]) {
      if (!c.Execute(Spell(sql, c.Dialect()))) {
        error = "schema migration " + std::to_string(v) + " failed: " + c.LastError();
        return -1;
      }
    }
    auto update = c.Prepare("UPDATE padscope_schema SET version = $1");
    update->BindInt(1, v);
    update->Step();
    if (update->Failed()) {
      error = c.LastError();
      return -1;
    }
  }
  return std::max(stored, version);
}

}  // namespace

std::unique_ptr<SqlConnection> OpenSqlConnection(const StoreAddress& address, std::string& error) {
  return address.kind == StoreKind::Sqlite ? OpenSqlite(address.location, error)
                                           : OpenPostgres(address.location, error);
}

int MigrateSchema(SqlConnection& c, int version, std::string& error) {
  if (!c.BeginWrite()) {
    error = c.LastError();
    return -1;
  }
  const int reached = MigrateLocked(c, version, error);
  if (reached < 0) {
    c.Rollback();
    return -1;
  }
  if (!c.Commit()) {
    error = c.LastError();
    c.Rollback();
    return -1;
  }
  return reached;
}

}  // namespace padscope
