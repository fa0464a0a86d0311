#include "results/RunRecord.h"

#include <sodium.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <limits>
#include <random>

#include "analysis/AnalysisReport.h"
#include "analysis/ReportText.h"
#include "analysis/ThresholdRules.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace padscope {

namespace {

std::string Hex(const unsigned char* bytes, size_t n) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

std::optional<double> Number(const ReportCell& cell) {
  if (!cell) {
    return std::nullopt;
  }
  if (*cell == "inf" || *cell == "-inf") {
    return (*cell)[0] == '-' ? -std::numeric_limits<double>::infinity()
                             : std::numeric_limits<double>::infinity();
  }
  double v = 0;
  const char* end = cell->data() + cell->size();
  return std::from_chars(cell->data(), end, v).ptr == end ? std::optional(v) : std::nullopt;
}

}  // namespace

std::string NewRunId() {
  unsigned char bytes[16];
  if (sodium_init() < 0) {
    std::random_device rd;
    for (unsigned char& b : bytes) {
      b = static_cast<unsigned char>(rd());
    }
    return Hex(bytes, sizeof bytes);
  }
  randombytes_buf(bytes, sizeof bytes);
  return Hex(bytes, sizeof bytes);
}

std::vector<KeyRecord> KeyRecords(const AnalysisResult& result) {
  std::vector<KeyRecord> keys;
  for (const ChannelResult& c : result.channels) {
    KeyRecord k;
    k.channel = c.channel;
    for (const auto* columns : {&ReportColumns(), &JsonExtraColumns()}) {
      for (const ReportColumn& column : *columns) {
        const std::string_view name = column.name;
        if (name == "channel") {
          continue;
        }
        const ReportCell cell = column.value(c);
        k.figures.push_back({column.name, cell});
        if (name == "snr") {
          k.snr = Number(cell);
        } else if (name == "raw_noise") {
          k.noise = Number(cell);  // the counts the SNR is taken on
        } else if (name == "raw_signal") {
          k.signal = Number(cell);
        } else if (name == "false_touch_margin") {
          k.falseTouchMargin = Number(cell);
        } else if (name == "detection_margin") {
          k.detectionMargin = Number(cell);
        } else if (name == "verdict") {
          k.verdict = cell.value_or("");
        }
      }
    }
    for (const std::string& why : VerdictReasons(c, result.options, ReportInputs{})) {
      k.reason += (k.reason.empty() ? "" : "; ") + why;
    }
    for (const ChannelResult& to : result.channels) {
      const CrosstalkCell& cell = result.crosstalk[c.channel][to.channel];
      if (cell.flagged && cell.percent) {
        k.crosstalk.push_back({to.channel, *cell.percent});
      }
    }
    keys.push_back(std::move(k));
  }
  return keys;
}

std::string PassRule(const AnalysisOptions& options) {
  return DescribeThresholdRule(options) + "; snr >= " + FormatFixed(options.minSnr, 2);
}

std::string Sha256Hex(std::string_view bytes) {
  unsigned char hash[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(hash, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  return Hex(hash, sizeof hash);
}

std::optional<std::string> FileSha256Hex(const std::filesystem::path& path) {
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (f == nullptr) {
    return std::nullopt;
  }
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  unsigned char buffer[1 << 16];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    crypto_hash_sha256_update(&state, buffer, n);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) {
    return std::nullopt;
  }
  unsigned char hash[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final(&state, hash);
  return Hex(hash, sizeof hash);
}

std::string HostName() {
#if defined(_WIN32)
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (GetComputerNameA(name, &size) && size > 0) {
    return std::string(name, size);
  }
#else
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) == 0 && name[0] != '\0') {
    return name;
  }
#endif
  return "unknown";
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace padscope
