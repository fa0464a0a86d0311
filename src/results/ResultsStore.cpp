#include "results/ResultsStore.h"

#include <algorithm>
#include <vector>

namespace padscope {

namespace {

// Rows per multi-row INSERT, well within both databases' parameter limits.
constexpr size_t kRowsPerInsert = 200;

constexpr char kUnitColumns[] =
    "run_id, kind, serial, lot, station, start_ms, end_ms, program_version, settings, "
    "settings_sha256, rule, options, recording_path, recording_sha256, verdict, exit_status";

// "$n"
std::string Param(int n) {
  std::string text = "$";
  text += std::to_string(n);
  return text;
}

// "($1, $2, $3), ($4, $5, $6)" for `rows` rows of `columns` values.
std::string Placeholders(size_t rows, size_t columns) {
  std::string out;
  int n = 1;
  for (size_t r = 0; r < rows; ++r) {
    out += r == 0 ? "(" : ", (";
    for (size_t c = 0; c < columns; ++c) {
      out += c == 0 ? "" : ", ";
      out += Param(n++);
    }
    out += ")";
  }
  return out;
}

class SqlResultsStore : public ResultsStore {
 public:
  SqlResultsStore(std::unique_ptr<SqlConnection> c, int version)
      : c_(std::move(c)), version_(version) {}

  int SchemaVersion() const override { return version_; }

  bool Write(std::span<const UnitRecord> units, std::string& error) override {
    if (!c_->BeginWrite()) {
      error = c_->LastError();
      return false;
    }
    for (const UnitRecord& u : units) {
      if (!WriteUnit(u)) {
        error = c_->LastError();
        c_->Rollback();
        return false;
      }
    }
    if (!c_->Commit()) {
      error = c_->LastError();
      c_->Rollback();
      return false;
    }
    return true;
  }

  bool Read(const ResultsFilter& filter, const std::function<void(UnitRecord&&)>& unit,
            std::string& error) override;

 private:
  bool WriteUnit(const UnitRecord& u);
  bool WriteKeys(int64_t id, const std::vector<KeyRecord>& keys);
  bool WriteFigures(int64_t id, const std::vector<KeyRecord>& keys);
  bool WriteCrosstalk(int64_t id, const std::vector<KeyRecord>& keys);
  bool ReadDetails(int64_t id, UnitRecord& u);

  std::unique_ptr<SqlConnection> c_;
  int version_;
};

bool SqlResultsStore::WriteUnit(const UnitRecord& u) {
  auto insert = c_->Prepare(std::string("INSERT INTO units (") + kUnitColumns + ") VALUES " +
                            Placeholders(1, 16) + " ON CONFLICT (run_id) DO NOTHING RETURNING id");
  if (!insert) {
    return false;
  }
  insert->BindText(1, u.runId);
  insert->BindText(2, u.kind);
  insert->BindBytes(3, u.serial);
  insert->BindBytes(4, u.lot);
  insert->BindBytes(5, u.station);
  insert->BindInt(6, u.startMs);
  insert->BindInt(7, u.endMs);
  insert->BindText(8, u.programVersion);
  insert->BindText(9, u.settings);
  insert->BindText(10, u.settingsSha256);
  insert->BindText(11, u.rule);
  insert->BindText(12, u.options);
  insert->BindBytes(13, u.recordingPath);
  insert->BindText(14, u.recordingSha256);
  insert->BindText(15, u.verdict);
  insert->BindInt(16, u.exitStatus);
  if (!insert->Step()) {
    // No row: the run is stored already (or the insert failed).
    return !insert->Failed();
  }
  const int64_t id = insert->Int(0);
  insert->Reset();
  return WriteKeys(id, u.keys) && WriteFigures(id, u.keys) && WriteCrosstalk(id, u.keys);
}

// Runs a multi-row INSERT for each batch of rows; `bind` binds one row's
// values from parameter `first` on.
template <typename Row>
bool InsertRows(SqlConnection& c, const std::string& head, size_t columns,
                const std::vector<Row>& rows,
                const std::function<void(SqlStatement&, int first, const Row&)>& bind) {
  for (size_t start = 0; start < rows.size(); start += kRowsPerInsert) {
    const size_t n = std::min(kRowsPerInsert, rows.size() - start);
    auto insert = c.Prepare(head + " VALUES " + Placeholders(n, columns));
    if (!insert) {
      return false;
    }
    for (size_t r = 0; r < n; ++r) {
      bind(*insert, static_cast<int>(r * columns + 1), rows[start + r]);
    }
    insert->Step();
    if (insert->Failed()) {
      return false;
    }
  }
  return true;
}

bool SqlResultsStore::WriteKeys(int64_t id, const std::vector<KeyRecord>& keys) {
  return InsertRows<KeyRecord>(
      *c_,
      "INSERT INTO unit_keys (unit_id, channel, snr, noise, signal, false_touch_margin, "
      "detection_margin, verdict, reason)",
      9, keys, [id](SqlStatement& s, int p, const KeyRecord& k) {
        s.BindInt(p, id);
        s.BindInt(p + 1, k.channel);
        s.BindDouble(p + 2, k.snr);
        s.BindDouble(p + 3, k.noise);
        s.BindDouble(p + 4, k.signal);
        s.BindDouble(p + 5, k.falseTouchMargin);
        s.BindDouble(p + 6, k.detectionMargin);
        s.BindText(p + 7, k.verdict);
        s.BindText(p + 8, k.reason);
      });
}

bool SqlResultsStore::WriteFigures(int64_t id, const std::vector<KeyRecord>& keys) {
  struct Row {
    int channel;
    int position;
    const KeyFigure* figure;
  };
  std::vector<Row> rows;
  for (const KeyRecord& k : keys) {
    for (size_t i = 0; i < k.figures.size(); ++i) {
      rows.push_back({k.channel, static_cast<int>(i), &k.figures[i]});
    }
  }
  return InsertRows<Row>(*c_, "INSERT INTO key_figures (unit_id, channel, position, name, value)",
                         5, rows, [id](SqlStatement& s, int p, const Row& r) {
                           s.BindInt(p, id);
                           s.BindInt(p + 1, r.channel);
                           s.BindInt(p + 2, r.position);
                           s.BindText(p + 3, r.figure->name);
                           if (r.figure->value) {
                             s.BindText(p + 4, *r.figure->value);
                           } else {
                             s.BindNullText(p + 4);
                           }
                         });
}

bool SqlResultsStore::WriteCrosstalk(int64_t id, const std::vector<KeyRecord>& keys) {
  struct Row {
    int channel;
    CrosstalkFlag flag;
  };
  std::vector<Row> rows;
  for (const KeyRecord& k : keys) {
    for (const CrosstalkFlag& f : k.crosstalk) {
      rows.push_back({k.channel, f});
    }
  }
  return InsertRows<Row>(*c_, "INSERT INTO key_crosstalk (unit_id, channel, affected, percent)", 4,
                         rows, [id](SqlStatement& s, int p, const Row& r) {
                           s.BindInt(p, id);
                           s.BindInt(p + 1, r.channel);
                           s.BindInt(p + 2, r.flag.affected);
                           s.BindDouble(p + 3, r.flag.percent);
                         });
}

std::optional<double> OptionalDouble(const SqlStatement& s, int column) {
  return s.IsNull(column) ? std::nullopt : std::optional(s.Double(column));
}

bool SqlResultsStore::Read(const ResultsFilter& filter,
                           const std::function<void(UnitRecord&&)>& unit, std::string& error) {
  const bool details = filter.details;
  std::string sql =
      "SELECT u.id, u.run_id, u.serial, u.lot, u.station, u.start_ms, u.verdict, u.exit_status, "
      "k.channel, k.snr, k.noise, k.signal, k.false_touch_margin, k.detection_margin, k.verdict, "
      "k.reason";
  if (details) {
    sql +=
        ", u.kind, u.end_ms, u.program_version, u.settings, u.settings_sha256, u.rule, "
        "u.options, u.recording_path, u.recording_sha256";
  }
  sql += " FROM units u LEFT JOIN unit_keys k ON k.unit_id = u.id WHERE 1 = 1";
  int n = 0;
  if (filter.lot) {
    sql += " AND u.lot = " + Param(++n);
  }
  if (filter.station) {
    sql += " AND u.station = " + Param(++n);
  }
  if (filter.sinceMs) {
    sql += " AND u.start_ms >= " + Param(++n);
  }
  if (filter.untilMs) {
    sql += " AND u.start_ms <= " + Param(++n);
  }
  sql += " ORDER BY u.start_ms, u.id, k.channel";
  auto select = c_->Prepare(sql);
  if (!select) {
    error = c_->LastError();
    return false;
  }
  n = 0;
  if (filter.lot) {
    select->BindBytes(++n, *filter.lot);
  }
  if (filter.station) {
    select->BindBytes(++n, *filter.station);
  }
  if (filter.sinceMs) {
    select->BindInt(++n, *filter.sinceMs);
  }
  if (filter.untilMs) {
    select->BindInt(++n, *filter.untilMs);
  }

  // With details each unit's figures are read once the list is complete:
  // a PostgreSQL connection runs one query at a time.
  std::vector<std::pair<int64_t, UnitRecord>> pending;
  std::optional<int64_t> currentId;
  UnitRecord current;
  auto finish = [&] {
    if (!currentId) {
      return;
    }
    if (details) {
      pending.emplace_back(*currentId, std::move(current));
      current = UnitRecord{};
    } else {
      // The record is used again: its keys keep their room, so a long
      // report allocates little per unit.
      unit(std::move(current));
      current.keys.clear();
    }
  };
  while (select->Step()) {
    const int64_t id = select->Int(0);
    if (id != currentId) {
      finish();
      currentId = id;
      UnitRecord& u = current;
      u.runId = select->Bytes(1);
      u.serial = select->Bytes(2);
      u.lot = select->Bytes(3);
      u.station = select->Bytes(4);
      u.startMs = select->Int(5);
      u.verdict = select->Bytes(6);
      u.exitStatus = static_cast<int>(select->Int(7));
      if (details) {
        u.kind = select->Bytes(16);
        u.endMs = select->Int(17);
        u.programVersion = select->Bytes(18);
        u.settings = select->Bytes(19);
        u.settingsSha256 = select->Bytes(20);
        u.rule = select->Bytes(21);
        u.options = select->Bytes(22);
        u.recordingPath = select->Bytes(23);
        u.recordingSha256 = select->Bytes(24);
      }
    }
    if (select->IsNull(8)) {
      continue;  // a run without keys (nothing could be analysed)
    }
    KeyRecord& k = current.keys.emplace_back();
    k.channel = static_cast<int>(select->Int(8));
    k.snr = OptionalDouble(*select, 9);
    k.noise = OptionalDouble(*select, 10);
    k.signal = OptionalDouble(*select, 11);
    k.falseTouchMargin = OptionalDouble(*select, 12);
    k.detectionMargin = OptionalDouble(*select, 13);
    k.verdict = select->Bytes(14);
    k.reason = select->Bytes(15);
  }
  if (select->Failed()) {
    error = c_->LastError();
    return false;
  }
  finish();
  for (auto& [id, u] : pending) {
    if (!ReadDetails(id, u)) {
      error = c_->LastError();
      return false;
    }
    unit(std::move(u));
  }
  return true;
}

bool SqlResultsStore::ReadDetails(int64_t id, UnitRecord& u) {
  auto keyOf = [&u](int64_t channel) -> KeyRecord* {
    for (KeyRecord& k : u.keys) {
      if (k.channel == channel) {
        return &k;
      }
    }
    return nullptr;
  };
  auto figures = c_->Prepare(
      "SELECT channel, name, value FROM key_figures WHERE unit_id = $1 ORDER BY channel, "
      "position");
  if (!figures) {
    return false;
  }
  figures->BindInt(1, id);
  while (figures->Step()) {
    if (KeyRecord* k = keyOf(figures->Int(0))) {
      k->figures.push_back({figures->Bytes(1),
                            figures->IsNull(2) ? std::nullopt : std::optional(figures->Bytes(2))});
    }
  }
  auto crosstalk = c_->Prepare(
      "SELECT channel, affected, percent FROM key_crosstalk WHERE unit_id = $1 ORDER BY channel, "
      "affected");
  if (figures->Failed() || !crosstalk) {
    return false;
  }
  crosstalk->BindInt(1, id);
  while (crosstalk->Step()) {
    if (KeyRecord* k = keyOf(crosstalk->Int(0))) {
      k->crosstalk.push_back({static_cast<int>(crosstalk->Int(1)), crosstalk->Double(2)});
    }
  }
  return !crosstalk->Failed();
}

}  // namespace

std::unique_ptr<ResultsStore> OpenResultsStore(const StoreAddress& address, std::string& error) {
  std::unique_ptr<SqlConnection> connection = OpenSqlConnection(address, error);
  if (!connection) {
    return nullptr;
  }
  const int version = MigrateSchema(*connection, kResultsSchemaVersion, error);
  if (version < 0) {
    return nullptr;
  }
  return std::make_unique<SqlResultsStore>(std::move(connection), version);
}

}  // namespace padscope
