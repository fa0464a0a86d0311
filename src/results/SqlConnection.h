#pragma once

// The little of a database connection the results store needs, so that its
// schema, writes and reads are written once for SQLite and PostgreSQL.
// Statements number their parameters $1, $2, ... in the order they appear;
// values are always bound, never put into the statement's text.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace padscope {

enum class SqlDialect { Sqlite, Postgres };

// A prepared statement: bind, then Step through its rows.
class SqlStatement {
 public:
  virtual ~SqlStatement() = default;

  virtual void BindInt(int index, std::optional<int64_t> value) = 0;
  virtual void BindDouble(int index, std::optional<double> value) = 0;
  // Text of our own (ASCII: versions, verdicts, hashes).
  virtual void BindText(int index, std::string_view value) = 0;
  virtual void BindNullText(int index) = 0;
  // Untrusted text, stored as bytes exactly.
  virtual void BindBytes(int index, std::string_view value) = 0;

  // Runs the statement (the first call) or moves to its next row: true while
  // a row is there; false at the end or on an error (see Failed).
  virtual bool Step() = 0;
  virtual bool Failed() const = 0;
  // Clears the bindings' results so the statement runs again.
  virtual void Reset() = 0;

  virtual bool IsNull(int column) const = 0;
  virtual int64_t Int(int column) const = 0;
  virtual double Double(int column) const = 0;
  // Text and bytes columns alike.
  virtual std::string Bytes(int column) const = 0;
};

class SqlConnection {
 public:
  virtual ~SqlConnection() = default;

  virtual SqlDialect Dialect() const = 0;
  // Runs statements without parameters (schema changes, transactions).
  virtual bool Execute(const std::string& sql) = 0;
  // Prepares one statement; null on an error (see LastError).
  virtual std::unique_ptr<SqlStatement> Prepare(const std::string& sql) = 0;
  // Starts a transaction that holds the store's write lock until Commit or
  // Rollback: writers of one store take turns.
  virtual bool BeginWrite() = 0;
  virtual bool Commit() = 0;
  virtual void Rollback() = 0;
  // The last error in one line.
  virtual std::string LastError() const = 0;
};

}  // namespace padscope
