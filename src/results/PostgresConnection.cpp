#include "results/PostgresConnection.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace padscope {

namespace {

// The type OIDs of the values bound and read (binary format both ways).
constexpr Oid kBool = 16;
constexpr Oid kBytea = 17;
constexpr Oid kInt8 = 20;
constexpr Oid kInt2 = 21;
constexpr Oid kInt4 = 23;
constexpr Oid kText = 25;
constexpr Oid kFloat4 = 700;
constexpr Oid kFloat8 = 701;

std::string FirstLine(const char* message) {
  std::string text = message == nullptr ? "" : message;
  text = text.substr(0, text.find('\n'));
  return text.empty() ? "unknown PostgreSQL error" : text;
}

uint64_t BigEndian(const char* bytes, int size) {
  uint64_t v = 0;
  for (int i = 0; i < size; ++i) {
    v = (v << 8) | static_cast<unsigned char>(bytes[i]);
  }
  return v;
}

std::string BigEndianBytes(uint64_t v) {
  std::string bytes(8, '\0');
  for (int i = 7; i >= 0; --i) {
    bytes[static_cast<size_t>(i)] = static_cast<char>(v & 0xFF);
    v >>= 8;
  }
  return bytes;
}

class PostgresStatement : public SqlStatement {
 public:
  PostgresStatement(PGconn* conn, std::string sql, std::string& error, int& cursors)
      : conn_(conn), sql_(std::move(sql)), error_(error), cursors_(cursors) {
    query_ = sql_.rfind("SELECT", 0) == 0;
  }
  ~PostgresStatement() override {
    Drain();
    CloseCursor(true);
    PQclear(batch_);
  }

  void BindInt(int index, std::optional<int64_t> value) override {
    Set(index, kInt8,
        value ? std::optional(BigEndianBytes(static_cast<uint64_t>(*value))) : std::nullopt);
  }
  void BindDouble(int index, std::optional<double> value) override {
    std::optional<std::string> bytes;
    if (value) {
      uint64_t bits = 0;
      std::memcpy(&bits, &*value, sizeof bits);
      bytes = BigEndianBytes(bits);
    }
    Set(index, kFloat8, bytes);
  }
  void BindText(int index, std::string_view value) override {
    Set(index, kText, std::string(value));
  }
  void BindNullText(int index) override { Set(index, kText, std::nullopt); }
  void BindBytes(int index, std::string_view value) override {
    Set(index, kBytea, std::string(value));
  }

  // Rows arrive one at a time (single-row mode): a long report never holds
  // the whole answer in memory.
  bool Step() override {
    if (query_) {
      return StepCursor();
    }
    if (!started_ && !Start()) {
      return false;
    }
    PQclear(row_);
    row_ = pending_ ? PQgetResult(conn_) : nullptr;
    if (row_ == nullptr) {
      pending_ = false;
      return false;
    }
    switch (PQresultStatus(row_)) {
      case PGRES_SINGLE_TUPLE:
        return true;
      case PGRES_TUPLES_OK:
      case PGRES_COMMAND_OK:
        Drain();
        return false;
      default:
        failed_ = true;
        error_ = FirstLine(PQresultErrorMessage(row_));
        Drain();
        return false;
    }
  }
  bool Failed() const override { return failed_; }
  void Reset() override {
    Drain();
    CloseCursor(true);
    started_ = false;
    failed_ = false;
  }

  bool IsNull(int column) const override { return PQgetisnull(Row(), r_, column) != 0; }
  int64_t Int(int column) const override {
    if (IsNull(column)) {
      return 0;
    }
    const Oid type = PQftype(Row(), column);
    const int size = PQgetlength(Row(), r_, column);
    const uint64_t v = BigEndian(PQgetvalue(Row(), r_, column), size);
    if (type == kInt4 || type == kInt2 || type == kBool) {
      // Sign-extend the shorter integers.
      const int shift = 64 - 8 * size;
      return static_cast<int64_t>(v << shift) >> shift;
    }
    return static_cast<int64_t>(v);
  }
  double Double(int column) const override {
    if (IsNull(column)) {
      return 0;
    }
    const Oid type = PQftype(Row(), column);
    const char* bytes = PQgetvalue(Row(), r_, column);
    if (type == kFloat4) {
      const auto bits = static_cast<uint32_t>(BigEndian(bytes, 4));
      float f = 0;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
    if (type != kFloat8) {
      return static_cast<double>(Int(column));
    }
    const uint64_t bits = BigEndian(bytes, 8);
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }
  std::string Bytes(int column) const override {
    return std::string(PQgetvalue(Row(), r_, column),
                       static_cast<size_t>(PQgetlength(Row(), r_, column)));
  }

 private:
  // Rows come from the batch of a cursor, or one by one.
  const PGresult* Row() const { return query_ ? batch_ : row_; }

  // The values bound, as libpq takes them.
  struct Params {
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
  };
  Params Bound() const {
    Params p;
    for (const auto& v : params_) {
      p.values.push_back(v ? v->data() : nullptr);
      p.lengths.push_back(v ? static_cast<int>(v->size()) : 0);
      p.formats.push_back(1);
    }
    return p;
  }

  bool Fail(PGresult* r) {
    failed_ = true;
    error_ = FirstLine(r != nullptr ? PQresultErrorMessage(r) : PQerrorMessage(conn_));
    PQclear(r);
    CloseCursor(false);
    return false;
  }

  // A query reads its rows through a cursor, thousands per round trip: a
  // report over many units is not held whole in memory, nor paid for row by
  // row. Outside a transaction the cursor gets one of its own.
  bool StepCursor() {
    if (failed_) {
      return false;
    }
    if (!cursorOpen_) {
      if (started_) {
        return false;  // read to its end already
      }
      started_ = true;
      if (PQtransactionStatus(conn_) == PQTRANS_IDLE) {
        PGresult* r = PQexec(conn_, "BEGIN READ ONLY");
        if (PQresultStatus(r) != PGRES_COMMAND_OK) {
          return Fail(r);
        }
        PQclear(r);
        began_ = true;
      }
      cursor_ = "padscope_rows_" + std::to_string(++cursors_);
      const Params p = Bound();
      const std::string declare = "DECLARE " + cursor_ + " NO SCROLL CURSOR FOR " + sql_;
      PGresult* r =
          PQexecParams(conn_, declare.c_str(), static_cast<int>(params_.size()), types_.data(),
                       p.values.data(), p.lengths.data(), p.formats.data(), 1);
      cursorOpen_ = true;
      if (PQresultStatus(r) != PGRES_COMMAND_OK) {
        return Fail(r);
      }
      PQclear(r);
      rows_ = 0;
      r_ = 0;
      last_ = false;
    }
    if (++r_ < rows_) {
      return true;
    }
    if (last_) {
      CloseCursor(true);
      return false;
    }
    PQclear(batch_);
    const std::string fetch = "FETCH " + std::to_string(kBatchRows) + " FROM " + cursor_;
    batch_ = PQexecParams(conn_, fetch.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 1);
    if (PQresultStatus(batch_) != PGRES_TUPLES_OK) {
      PGresult* r = batch_;
      batch_ = nullptr;
      return Fail(r);
    }
    rows_ = PQntuples(batch_);
    last_ = rows_ < kBatchRows;
    r_ = 0;
    if (rows_ > 0) {
      return true;
    }
    CloseCursor(true);
    return false;
  }

  // Closes the cursor, ending the transaction it opened for it (committed
  // when all went well; a failed one can only be rolled back).
  void CloseCursor(bool ok) {
    if (!cursorOpen_) {
      return;
    }
    cursorOpen_ = false;
    if (ok && PQtransactionStatus(conn_) == PQTRANS_INTRANS) {
      PQclear(PQexec(conn_, ("CLOSE " + cursor_).c_str()));
    }
    if (began_) {
      PQclear(PQexec(conn_, ok ? "COMMIT" : "ROLLBACK"));
      began_ = false;
    }
  }

  static constexpr int kBatchRows = 10000;

  void Set(int index, Oid type, std::optional<std::string> value) {
    const size_t i = static_cast<size_t>(index - 1);
    if (params_.size() <= i) {
      params_.resize(i + 1);
      types_.resize(i + 1, kText);
    }
    params_[i] = std::move(value);
    types_[i] = type;
  }

  bool Start() {
    started_ = true;
    std::vector<const char*> values;
    std::vector<int> lengths;
    const std::vector<int> formats(params_.size(), 1);
    for (const auto& p : params_) {
      values.push_back(p ? p->data() : nullptr);
      lengths.push_back(p ? static_cast<int>(p->size()) : 0);
    }
    if (PQsendQueryParams(conn_, sql_.c_str(), static_cast<int>(params_.size()), types_.data(),
                          values.data(), lengths.data(), formats.data(), 1) == 0) {
      failed_ = true;
      error_ = FirstLine(PQerrorMessage(conn_));
      return false;
    }
    pending_ = true;
    PQsetSingleRowMode(conn_);
    return true;
  }

  // Reads whatever is left of the answer, so the connection is free again.
  void Drain() {
    PQclear(row_);
    row_ = nullptr;
    if (!pending_) {
      return;
    }
    while (PGresult* r = PQgetResult(conn_)) {
      PQclear(r);
    }
    pending_ = false;
  }

  PGconn* conn_;
  std::string sql_;
  std::string& error_;
  std::vector<std::optional<std::string>> params_;
  std::vector<Oid> types_;
  PGresult* row_ = nullptr;
  int& cursors_;  // the connection's count, for cursor names
  bool query_ = false;
  bool cursorOpen_ = false;
  bool began_ = false;
  bool last_ = false;
  std::string cursor_;
  PGresult* batch_ = nullptr;
  int rows_ = 0;
  int r_ = 0;
  bool started_ = false;
  bool pending_ = false;  // results of this statement are still to be read
  bool failed_ = false;
};

class PostgresConnection : public SqlConnection {
 public:
  explicit PostgresConnection(PGconn* conn) : conn_(conn) {}
  ~PostgresConnection() override { PQfinish(conn_); }

  SqlDialect Dialect() const override { return SqlDialect::Postgres; }
  bool Execute(const std::string& sql) override {
    PGresult* r = PQexec(conn_, sql.c_str());
    const ExecStatusType status = PQresultStatus(r);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok) {
      error_ = FirstLine(PQresultErrorMessage(r));
    }
    PQclear(r);
    return ok;
  }
  std::unique_ptr<SqlStatement> Prepare(const std::string& sql) override {
    return std::make_unique<PostgresStatement>(conn_, sql, error_, cursors_);
  }
  bool BeginWrite() override { return Execute("BEGIN"); }
  bool Commit() override { return Execute("COMMIT"); }
  void Rollback() override { Execute("ROLLBACK"); }
  std::string LastError() const override { return error_; }

 private:
  PGconn* conn_;
  std::string error_;
  int cursors_ = 0;
};

void IgnoreNotice(void*, const char*) {}

}  // namespace

std::unique_ptr<SqlConnection> OpenPostgres(const std::string& conninfo, std::string& error) {
  // Our defaults first: the address's own values (expanded from "dbname")
  // come after them and win.
  std::vector<const char*> keys;
  std::vector<const char*> values;
  const char* timeout = std::getenv("PGCONNECT_TIMEOUT");
  if (timeout == nullptr || *timeout == '\0') {
    keys.push_back("connect_timeout");
    values.push_back("10");
  }
  keys.push_back("application_name");
  values.push_back("padscope");
  keys.push_back("dbname");
  values.push_back(conninfo.c_str());
  keys.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 1);
  if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
    error = conn == nullptr ? "out of memory" : FirstLine(PQerrorMessage(conn));
    PQfinish(conn);
    return nullptr;
  }
  PQsetNoticeProcessor(conn, IgnoreNotice, nullptr);
  return std::make_unique<PostgresConnection>(conn);
}

}  // namespace padscope
