#include "results/SqliteConnection.h"

#include <sqlite3.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace padscope {

namespace {

// Another station's write (or a reader's checkpoint) may hold the file for a
// while; a minute is far beyond any write of one unit.
constexpr int kBusyTimeoutMs = 60000;

class SqliteStatement : public SqlStatement {
 public:
  explicit SqliteStatement(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~SqliteStatement() override { sqlite3_finalize(stmt_); }

  void BindInt(int index, std::optional<int64_t> value) override {
    const int i = Index(index);
    value ? sqlite3_bind_int64(stmt_, i, *value) : sqlite3_bind_null(stmt_, i);
  }
  void BindDouble(int index, std::optional<double> value) override {
    const int i = Index(index);
    value ? sqlite3_bind_double(stmt_, i, *value) : sqlite3_bind_null(stmt_, i);
  }
  void BindText(int index, std::string_view value) override {
    sqlite3_bind_text64(stmt_, Index(index), value.data(), value.size(), SQLITE_TRANSIENT,
                        SQLITE_UTF8);
  }
  void BindNullText(int index) override { sqlite3_bind_null(stmt_, Index(index)); }
  void BindBytes(int index, std::string_view value) override {
    // A zero-length blob, not NULL, for an empty text.
    value.empty()
        ? sqlite3_bind_zeroblob(stmt_, Index(index), 0)
        : sqlite3_bind_blob64(stmt_, Index(index), value.data(), value.size(), SQLITE_TRANSIENT);
  }

  bool Step() override {
    const int rc = sqlite3_step(stmt_);
    failed_ = rc != SQLITE_ROW && rc != SQLITE_DONE;
    return rc == SQLITE_ROW;
  }
  bool Failed() const override { return failed_; }
  void Reset() override {
    sqlite3_reset(stmt_);
    failed_ = false;
  }

  bool IsNull(int column) const override {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
  }
  int64_t Int(int column) const override { return sqlite3_column_int64(stmt_, column); }
  double Double(int column) const override { return sqlite3_column_double(stmt_, column); }
  std::string Bytes(int column) const override {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return data == nullptr ? std::string() : std::string(static_cast<const char*>(data), size);
  }

 private:
  // Parameters are numbered as they appear (see Numbered).
  static int Index(int index) { return index; }

  sqlite3_stmt* stmt_;
  bool failed_ = false;
};

// "$1 ... $n" as SQLite's "?NNN": the same numbers. Plain "?" where they
// come in order: SQLite looks each named or numbered parameter up in a list,
// which a statement of many rows would make quadratic.
std::string Numbered(const std::string& sql) {
  std::string out;
  int expected = 1;
  bool inOrder = true;
  for (size_t i = 0; i < sql.size(); ++i) {
    if (sql[i] != '$' || i + 1 >= sql.size() ||
        !std::isdigit(static_cast<unsigned char>(sql[i + 1]))) {
      out += sql[i];
      continue;
    }
    size_t end = i + 1;
    while (end < sql.size() && std::isdigit(static_cast<unsigned char>(sql[end]))) {
      ++end;
    }
    const std::string digits = sql.substr(i + 1, end - i - 1);
    inOrder = inOrder && std::atoi(digits.c_str()) == expected++;
    out += "?" + digits;
    i = end - 1;
  }
  if (!inOrder) {
    return out;
  }
  std::string plain;
  for (size_t i = 0; i < out.size(); ++i) {
    plain += out[i];
    if (out[i] == '?') {
      while (i + 1 < out.size() && std::isdigit(static_cast<unsigned char>(out[i + 1]))) {
        ++i;
      }
    }
  }
  return plain;
}

class SqliteConnection : public SqlConnection {
 public:
  explicit SqliteConnection(sqlite3* db) : db_(db) {}
  ~SqliteConnection() override { sqlite3_close_v2(db_); }

  SqlDialect Dialect() const override { return SqlDialect::Sqlite; }
  bool Execute(const std::string& sql) override {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  std::unique_ptr<SqlStatement> Prepare(const std::string& sql) override {
    sqlite3_stmt* stmt = nullptr;
    const std::string numbered = Numbered(sql);
    if (sqlite3_prepare_v2(db_, numbered.c_str(), static_cast<int>(numbered.size()), &stmt,
                           nullptr) != SQLITE_OK) {
      return nullptr;
    }
    return std::make_unique<SqliteStatement>(stmt);
  }
  // IMMEDIATE takes the write lock at once, so two writers queue on the busy
  // time-out instead of one failing when it upgrades a read.
  bool BeginWrite() override { return Execute("BEGIN IMMEDIATE"); }
  bool Commit() override { return Execute("COMMIT"); }
  void Rollback() override { Execute("ROLLBACK"); }
  std::string LastError() const override { return sqlite3_errmsg(db_); }

  // Switching a fresh file to write-ahead logging needs it alone for a
  // moment, and SQLite answers "locked" at once (without its busy wait) while
  // another connection opening it at the same time holds it: tried again for
  // as long as a write would wait.
  bool SwitchToWal() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    while (true) {
      const int rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK) {
        return true;
      }
      if ((rc & 0xFF) != SQLITE_BUSY || std::chrono::steady_clock::now() >= until) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

 private:
  sqlite3* db_;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path, std::string& error) {
  sqlite3* db = nullptr;
  // One connection per thread (as the store is used): SQLite need not lock
  // the connection around every call.
  const int rc = sqlite3_open_v2(
      path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    error = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  auto connection = std::make_unique<SqliteConnection>(db);
  // Write-ahead: readers (a `results` report) never hold up a station's
  // write; each commit is on disk before the check ends.
  if (!connection->SwitchToWal() || !connection->Execute("PRAGMA synchronous=FULL") ||
      // A report reads the whole file: map it, and keep more of it cached.
      !connection->Execute("PRAGMA mmap_size=1073741824") ||
      !connection->Execute("PRAGMA cache_size=-65536")) {
    error = connection->LastError();
    return nullptr;
  }
  return connection;
}

}  // namespace padscope
