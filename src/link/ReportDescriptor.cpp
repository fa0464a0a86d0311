#include "link/ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace padscope {
namespace {

// Item types of a short item's prefix byte (bits 2-3).
constexpr int kTypeMain = 0;
constexpr int kTypeGlobal = 1;
constexpr int kTypeLocal = 2;

// Main item tags.
constexpr int kTagInput = 0x8;
constexpr int kTagOutput = 0x9;
constexpr int kTagCollection = 0xA;
constexpr int kTagFeature = 0xB;
constexpr int kTagEndCollection = 0xC;

// Global item tags; the others (logical and physical ranges, units) do not
// affect report lengths.
constexpr int kTagUsagePage = 0x0;
constexpr int kTagLogicalMinimum = 0x1;
constexpr int kTagUnit = 0x6;
constexpr int kTagReportSize = 0x7;
constexpr int kTagReportId = 0x8;
constexpr int kTagReportCount = 0x9;
constexpr int kTagPush = 0xA;
constexpr int kTagPop = 0xB;

// Local item tags.
constexpr int kTagUsage = 0x0;

constexpr uint8_t kLongItemPrefix = 0xFE;

// Real descriptors nest a handful of levels; anything deeper is garbage.
constexpr size_t kMaxPushDepth = 32;
constexpr int kMaxCollectionDepth = 64;

constexpr uint64_t kMaxReportBits = static_cast<uint64_t>(kMaxReportDataBytes) * 8;

enum ReportType { kInput = 0, kOutput = 1, kFeature = 2, kReportTypeCount = 3 };

struct GlobalState {
  uint16_t usagePage = 0;
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint32_t reportId = 0;
};

// The first usage declared before the next main item; a collection takes its
// usage from it.
struct LocalState {
  bool hasUsage = false;
  bool extended = false;
  uint32_t usage = 0;
};

// Bits per report id and type of the top-level collection being read.
struct CollectionTotals {
  std::array<std::array<uint64_t, 256>, kReportTypeCount> bits{};
  bool usesReportIds = false;
};

int ReportLength(const std::array<uint64_t, 256>& bitsPerId) {
  const uint64_t maxBits = *std::max_element(bitsPerId.begin(), bitsPerId.end());
  if (maxBits == 0) {
    return 0;
  }
  // maxBits is capped at kMaxReportBits, so the cast is safe.
  return static_cast<int>((maxBits + 7) / 8) + 1;
}

class Parser {
 public:
  explicit Parser(const std::vector<uint8_t>& descriptor) : d_(descriptor) {}

  bool Run(std::vector<ReportCollection>& out) {
    size_t pos = 0;
    const size_t n = d_.size();
    while (pos < n) {
      const uint8_t prefix = d_[pos];
      if (prefix == kLongItemPrefix) {
        // Long items carry no layout information; skip them whole.
        if (n - pos < 3) {
          return false;
        }
        const size_t dataSize = d_[pos + 1];
        if (n - pos - 3 < dataSize) {
          return false;
        }
        pos += 3 + dataSize;
        continue;
      }
      const size_t sizeCode = prefix & 0x3;
      const size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
      if (n - pos - 1 < dataSize) {
        return false;
      }
      uint32_t value = 0;
      for (size_t i = 0; i < dataSize; ++i) {
        value |= static_cast<uint32_t>(d_[pos + 1 + i]) << (8 * i);
      }
      pos += 1 + dataSize;
      const int type = (prefix >> 2) & 0x3;
      const int tag = prefix >> 4;
      bool ok = false;
      switch (type) {
        case kTypeMain:
          ok = Main(tag);
          break;
        case kTypeGlobal:
          ok = Global(tag, value);
          break;
        case kTypeLocal:
          ok = Local(tag, value, dataSize);
          break;
        default:
          ok = false;  // reserved item type
          break;
      }
      if (!ok) {
        return false;
      }
    }
    if (depth_ != 0 || collections_.empty()) {
      return false;
    }
    out = std::move(collections_);
    return true;
  }

 private:
  bool Main(int tag) {
    const LocalState local = local_;
    local_ = LocalState{};
    switch (tag) {
      case kTagInput:
        return AddField(kInput);
      case kTagOutput:
        return AddField(kOutput);
      case kTagFeature:
        return AddField(kFeature);
      case kTagCollection:
        if (depth_ >= kMaxCollectionDepth) {
          return false;
        }
        if (depth_ == 0) {
          BeginTopLevel(local);
        }
        ++depth_;
        return true;
      case kTagEndCollection:
        if (depth_ == 0) {
          return false;
        }
        --depth_;
        if (depth_ == 0) {
          EndTopLevel();
        }
        return true;
      default:
        return false;
    }
  }

  bool AddField(ReportType reportType) {
    // Fields outside any collection belong to nothing that can be opened.
    if (depth_ == 0) {
      return false;
    }
    // Both factors fit in 32 bits, so neither the product nor the sum with a
    // total already capped at kMaxReportBits overflows 64 bits.
    const uint64_t fieldBits =
        static_cast<uint64_t>(global_.reportSize) * static_cast<uint64_t>(global_.reportCount);
    uint64_t& total = totals_.bits[reportType][global_.reportId];
    total += fieldBits;
    if (total > kMaxReportBits) {
      return false;
    }
    if (global_.reportId != 0) {
      totals_.usesReportIds = true;
    }
    return true;
  }

  void BeginTopLevel(const LocalState& local) {
    current_ = ReportCollection{};
    if (local.extended) {
      current_.usagePage = static_cast<uint16_t>(local.usage >> 16);
      current_.usage = static_cast<uint16_t>(local.usage & 0xFFFF);
    } else {
      current_.usagePage = global_.usagePage;
      current_.usage = static_cast<uint16_t>(local.usage & 0xFFFF);
    }
    totals_ = CollectionTotals{};
  }

  void EndTopLevel() {
    current_.inputReportLength = ReportLength(totals_.bits[kInput]);
    current_.outputReportLength = ReportLength(totals_.bits[kOutput]);
    current_.featureReportLength = ReportLength(totals_.bits[kFeature]);
    current_.usesReportIds = totals_.usesReportIds;
    collections_.push_back(current_);
  }

  bool Global(int tag, uint32_t value) {
    switch (tag) {
      case kTagUsagePage:
        global_.usagePage = static_cast<uint16_t>(value & 0xFFFF);
        return true;
      case kTagReportSize:
        global_.reportSize = value;
        return true;
      case kTagReportCount:
        global_.reportCount = value;
        return true;
      case kTagReportId:
        // Id 0 is reserved for "no report id"; ids are one byte on the wire.
        if (value == 0 || value > 0xFF) {
          return false;
        }
        global_.reportId = value;
        return true;
      case kTagPush:
        if (stack_.size() >= kMaxPushDepth) {
          return false;
        }
        stack_.push_back(global_);
        return true;
      case kTagPop:
        if (stack_.empty()) {
          return false;
        }
        global_ = stack_.back();
        stack_.pop_back();
        return true;
      default:
        return tag >= kTagLogicalMinimum && tag <= kTagUnit;
    }
  }

  bool Local(int tag, uint32_t value, size_t dataSize) {
    if (tag == kTagUsage && !local_.hasUsage) {
      local_.hasUsage = true;
      // A four-byte usage carries its own usage page in the high half.
      local_.extended = dataSize == 4;
      local_.usage = value;
    }
    // Usage ranges, designators, strings and delimiters do not affect lengths.
    return true;
  }

  const std::vector<uint8_t>& d_;
  GlobalState global_;
  std::vector<GlobalState> stack_;
  LocalState local_;
  int depth_ = 0;
  ReportCollection current_;
  CollectionTotals totals_;
  std::vector<ReportCollection> collections_;
};

}  // namespace

bool ParseReportDescriptor(const std::vector<uint8_t>& descriptor,
                           std::vector<ReportCollection>& out) {
  out.clear();
  Parser parser(descriptor);
  return parser.Run(out);
}

const ReportCollection* FindReportCollection(const std::vector<ReportCollection>& collections,
                                             uint16_t usagePage, uint16_t usage) {
  for (const ReportCollection& c : collections) {
    if (c.usagePage == usagePage && c.usage == usage) {
      return &c;
    }
  }
  return nullptr;
}

}  // namespace padscope
