#pragma once

#include <cstdint>
#include <vector>

namespace padscope {

// Report layout of one top-level collection of a HID report descriptor.
// Lengths are in bytes and count the report id byte, which is added whether or
// not the collection uses report ids (a 64-byte report gives 65). A length is 0
// when the collection has no report of that type.
struct ReportCollection {
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  int inputReportLength = 0;
  int outputReportLength = 0;
  int featureReportLength = 0;
  // True when any report of the collection carries a report id, so that every
  // transfer starts with that id rather than an implied 0.
  bool usesReportIds = false;
};

// Largest report the parser accepts, in bytes without the id byte. A
// descriptor declaring more is treated as corrupt.
inline constexpr int kMaxReportDataBytes = 16384;

// Parses a report descriptor into its top-level collections, in descriptor
// order; a report's length is the largest report of its type in the
// collection. Returns false (and leaves `out` empty) for a truncated or
// malformed descriptor, one without any collection, or one whose reports exceed
// kMaxReportDataBytes. Pure function; any thread may call it.
bool ParseReportDescriptor(const std::vector<uint8_t>& descriptor,
                           std::vector<ReportCollection>& out);

// Returns the first collection with this usage page and usage, or null. The
// pointer refers into `collections`.
const ReportCollection* FindReportCollection(const std::vector<ReportCollection>& collections,
                                             uint16_t usagePage, uint16_t usage);

}  // namespace padscope
