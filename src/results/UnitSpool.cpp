#include "results/UnitSpool.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <span>

#include "platform/FileBytes.h"
#include "platform/OwnFile.h"
#include "platform/ProgramFolders.h"
#include "results/ResultsStore.h"

namespace padscope {

namespace {

constexpr char kMagic[] = "padscope-unit 1\n";
constexpr char kEnding[] = ".unit";
constexpr size_t kMaxUnitBytes = 64 << 20;

// Fields as "name length\n" + bytes + "\n": any bytes, NUL included.
class Writer {
 public:
  void Field(std::string_view name, std::string_view value) {
    out_ += name;
    out_ += ' ';
    out_ += std::to_string(value.size());
    out_ += '\n';
    out_ += value;
    out_ += '\n';
  }
  void Number(std::string_view name, double v) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    Field(name, std::string_view(buffer, static_cast<size_t>(r.ptr - buffer)));
  }
  void Optional(std::string_view name, const std::optional<double>& v) {
    if (v) {
      Number(name, *v);
    }
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_ = kMagic;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}
  bool Start() {
    if (rest_.substr(0, sizeof kMagic - 1) != kMagic) {
      return false;
    }
    rest_.remove_prefix(sizeof kMagic - 1);
    return true;
  }
  // The next field; false at the end or on a malformed one (see `bad`).
  bool Next(std::string_view& name, std::string_view& value) {
    if (rest_.empty()) {
      return false;
    }
    const size_t space = rest_.find(' ');
    const size_t line = rest_.find('\n');
    size_t size = 0;
    if (space == std::string_view::npos || line == std::string_view::npos || space > line ||
        std::from_chars(rest_.data() + space + 1, rest_.data() + line, size).ptr !=
            rest_.data() + line ||
        rest_.size() - line - 1 < size + 1 || rest_[line + 1 + size] != '\n') {
      bad = true;
      return false;
    }
    name = rest_.substr(0, space);
    value = rest_.substr(line + 1, size);
    rest_.remove_prefix(line + 2 + size);
    return true;
  }
  bool bad = false;

 private:
  std::string_view rest_;
};

bool ToNumber(std::string_view text, double& v) {
  if (text == "inf" || text == "-inf") {
    v = text[0] == '-' ? -std::numeric_limits<double>::infinity()
                       : std::numeric_limits<double>::infinity();
    return true;
  }
  return std::from_chars(text.data(), text.data() + text.size(), v).ptr ==
         text.data() + text.size();
}

bool ToInt(std::string_view text, int64_t& v) {
  return !text.empty() && std::from_chars(text.data(), text.data() + text.size(), v).ptr ==
                              text.data() + text.size();
}

// One field of a key (the last "key" read); false when it is unknown or bad.
bool KeyField(KeyRecord& k, std::string_view name, std::string_view value) {
  double v = 0;
  std::optional<double>* number = name == "key.snr"      ? &k.snr
                                  : name == "key.noise"  ? &k.noise
                                  : name == "key.signal" ? &k.signal
                                  : name == "key.ftm"    ? &k.falseTouchMargin
                                  : name == "key.dm"     ? &k.detectionMargin
                                                         : nullptr;
  if (number != nullptr) {
    if (!ToNumber(value, v)) {
      return false;
    }
    *number = v;
  } else if (name == "key.verdict") {
    k.verdict = value;
  } else if (name == "key.reason") {
    k.reason = value;
  } else if (name == "figure") {
    k.figures.push_back({std::string(value), std::nullopt});
  } else if (name == "figure.value" && !k.figures.empty()) {
    k.figures.back().value = std::string(value);
  } else if (name == "crosstalk") {
    const size_t space = value.find(' ');
    int64_t affected = 0;
    if (space == std::string_view::npos || !ToInt(value.substr(0, space), affected) ||
        !ToNumber(value.substr(space + 1), v)) {
      return false;
    }
    k.crosstalk.push_back({static_cast<int>(affected), v});
  } else {
    return false;
  }
  return true;
}

bool UnitField(UnitRecord& u, std::string_view name, std::string_view value) {
  std::string* text = name == "run_id"             ? &u.runId
                      : name == "kind"             ? &u.kind
                      : name == "serial"           ? &u.serial
                      : name == "lot"              ? &u.lot
                      : name == "station"          ? &u.station
                      : name == "program_version"  ? &u.programVersion
                      : name == "settings"         ? &u.settings
                      : name == "settings_sha256"  ? &u.settingsSha256
                      : name == "rule"             ? &u.rule
                      : name == "options"          ? &u.options
                      : name == "recording_path"   ? &u.recordingPath
                      : name == "recording_sha256" ? &u.recordingSha256
                      : name == "verdict"          ? &u.verdict
                                                   : nullptr;
  if (text != nullptr) {
    *text = value;
    return true;
  }
  int64_t v = 0;
  if (!ToInt(value, v)) {
    return false;
  }
  if (name == "start_ms") {
    u.startMs = v;
  } else if (name == "end_ms") {
    u.endMs = v;
  } else if (name == "exit_status") {
    u.exitStatus = static_cast<int>(v);
  } else if (name == "key") {
    u.keys.push_back(KeyRecord{});
    u.keys.back().channel = static_cast<int>(v);
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string EncodeUnit(const UnitRecord& u) {
  Writer w;
  w.Field("run_id", u.runId);
  w.Field("kind", u.kind);
  w.Field("serial", u.serial);
  w.Field("lot", u.lot);
  w.Field("station", u.station);
  w.Field("start_ms", std::to_string(u.startMs));
  w.Field("end_ms", std::to_string(u.endMs));
  w.Field("program_version", u.programVersion);
  w.Field("settings", u.settings);
  w.Field("settings_sha256", u.settingsSha256);
  w.Field("rule", u.rule);
  w.Field("options", u.options);
  w.Field("recording_path", u.recordingPath);
  w.Field("recording_sha256", u.recordingSha256);
  w.Field("verdict", u.verdict);
  w.Field("exit_status", std::to_string(u.exitStatus));
  for (const KeyRecord& k : u.keys) {
    w.Field("key", std::to_string(k.channel));
    w.Optional("key.snr", k.snr);
    w.Optional("key.noise", k.noise);
    w.Optional("key.signal", k.signal);
    w.Optional("key.ftm", k.falseTouchMargin);
    w.Optional("key.dm", k.detectionMargin);
    w.Field("key.verdict", k.verdict);
    w.Field("key.reason", k.reason);
    for (const KeyFigure& f : k.figures) {
      w.Field("figure", f.name);
      if (f.value) {
        w.Field("figure.value", *f.value);
      }
    }
    for (const CrosstalkFlag& c : k.crosstalk) {
      char percent[32];
      const auto r = std::to_chars(percent, percent + sizeof percent, c.percent);
      w.Field("crosstalk", std::to_string(c.affected) + " " +
                               std::string(percent, static_cast<size_t>(r.ptr - percent)));
    }
  }
  return w.Take();
}

std::optional<UnitRecord> DecodeUnit(std::string_view bytes) {
  Reader r(bytes);
  if (!r.Start()) {
    return std::nullopt;
  }
  UnitRecord u;
  u.kind.clear();
  std::string_view name;
  std::string_view value;
  while (r.Next(name, value)) {
    const bool ok =
        (name.rfind("key.", 0) == 0 || name.rfind("figure", 0) == 0 || name == "crosstalk")
            ? !u.keys.empty() && KeyField(u.keys.back(), name, value)
            : UnitField(u, name, value);
    if (!ok) {
      return std::nullopt;
    }
  }
  if (r.bad || u.runId.empty()) {
    return std::nullopt;
  }
  return u;
}

UnitSpool::UnitSpool(const StoreAddress& address)
    : folder_(StateDirectory() / "spool" / StoreSpoolName(address)) {}

bool UnitSpool::MakeFolder(std::string& error) const {
  std::error_code ec;
  const std::filesystem::path parent = folder_.parent_path();
  for (const auto& folder : {parent, folder_}) {
    if (!EnsureStateDirectory() || !MakeRealFolder(folder)) {
      error = "cannot make the spool folder " + folder.string();
      return false;
    }
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, ec);
  }
  if (!IsPrivateFolder(std::filesystem::absolute(folder_, ec))) {
    error = "the spool folder is not private to this user: " + folder_.string();
    return false;
  }
  return true;
}

bool UnitSpool::Keep(const UnitRecord& unit, std::string& error) {
  if (!MakeFolder(error)) {
    return false;
  }
  const std::string bytes = EncodeUnit(unit);
  const std::filesystem::path file = folder_ / (unit.runId + kEnding);
  if (!ReplaceFileBytes(file,
                        std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))) {
    error = "cannot write the spool file " + file.string();
    return false;
  }
  return true;
}

std::vector<std::filesystem::path> UnitSpool::Waiting() const {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(folder_, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    // Only whole files: a spool file being written has another ending.
    if (it->path().extension() == kEnding && it->is_regular_file(ec) && !it->is_symlink(ec)) {
      files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool UnitSpool::Deliver(ResultsStore& store, size_t& delivered,
                        std::vector<std::string>& unreadable, std::string& error) {
  delivered = 0;
  std::vector<UnitRecord> units;
  std::vector<std::filesystem::path> files;
  for (const std::filesystem::path& file : Waiting()) {
    std::vector<uint8_t> bytes;
    std::optional<UnitRecord> unit;
    if (ReadFileBytes(file, kMaxUnitBytes, bytes)) {
      unit =
          DecodeUnit(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    if (!unit) {
      // Gone meanwhile (another process delivered it) is no fault.
      std::error_code ec;
      if (std::filesystem::exists(file, ec)) {
        unreadable.push_back(file.string());
      }
      continue;
    }
    units.push_back(std::move(*unit));
    files.push_back(file);
  }
  if (units.empty()) {
    return true;
  }
  if (!store.Write(units, error)) {
    return false;
  }
  for (const std::filesystem::path& file : files) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
  }
  delivered = units.size();
  return true;
}

DeliveryOutcome DeliverResult(const StoreAddress& address, const UnitRecord& unit) {
  DeliveryOutcome outcome;
  UnitSpool spool(address);
  std::string error;
  std::unique_ptr<ResultsStore> store = OpenResultsStore(address, error);
  if (store) {
    std::vector<std::string> unreadable;
    if (spool.Deliver(*store, outcome.delivered, unreadable, error) &&
        store->Write(std::span(&unit, 1), error)) {
      outcome.stored = true;
    }
    for (const std::string& file : unreadable) {
      outcome.messages.push_back("cannot read the spooled result " + file + "; it is left there");
    }
  }
  if (outcome.stored) {
    return outcome;
  }
  outcome.messages.push_back("results store " + DescribeStoreAddress(address) + ": " + error);
  if (!spool.Keep(unit, error)) {
    outcome.messages.push_back(error + "; this run's result is lost");
    return outcome;
  }
  outcome.spooled = true;
  outcome.messages.push_back("the result is kept in " + spool.Folder().string() +
                             " until the store can take it");
  return outcome;
}

}  // namespace padscope
