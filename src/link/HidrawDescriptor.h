#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/HidBackend.h"

namespace padscope {

// Returns the sysfs file holding the report descriptor of a hidraw node
// ("/dev/hidraw3" -> "/sys/class/hidraw/hidraw3/device/report_descriptor"),
// or "" when the path is not of the form /dev/hidraw<number>.
std::string HidrawDescriptorPath(const std::string& devicePath);

// Largest descriptor file ReadDescriptorFile accepts; the kernel's own limit
// is 4096 bytes.
inline constexpr size_t kMaxDescriptorFileBytes = 65536;

// Reads a whole report descriptor file into `out`. Returns false (with `out`
// empty) when the file cannot be read, is empty or exceeds
// kMaxDescriptorFileBytes. Any thread may call it.
bool ReadDescriptorFile(const std::string& path, std::vector<uint8_t>& out);

// What the link needs to know of one opened collection.
struct HidCollectionLayout {
  HidCaps caps;
  bool usesReportIds = false;
};

// Report lengths assumed when a collection's descriptor cannot be read, parsed
// or does not list the collection: the adapter's 64-byte reports plus the id
// byte.
inline constexpr int kFallbackReportLength = 65;

// Returns the layout of the collection usagePage/usage as described by the
// descriptor file at descriptorPath; the fallback layout (65/65/65, no report
// ids) when the file is missing, unparseable or lacks the collection. The
// caps' usage page and usage are always the ones asked for.
HidCollectionLayout LayoutFromDescriptorFile(const std::string& descriptorPath, uint16_t usagePage,
                                             uint16_t usage);

}  // namespace padscope
