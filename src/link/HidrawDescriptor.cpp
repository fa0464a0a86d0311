#include "link/HidrawDescriptor.h"

#include <fstream>
#include <utility>

#include "link/ReportDescriptor.h"

namespace padscope {

std::string HidrawDescriptorPath(const std::string& devicePath) {
  static const std::string kPrefix = "/dev/";
  static const std::string kNodePrefix = "hidraw";
  if (devicePath.compare(0, kPrefix.size(), kPrefix) != 0) {
    return {};
  }
  const std::string node = devicePath.substr(kPrefix.size());
  // Only a plain node name may go into the sysfs path: anything else (a
  // slash, "..") could point the read at an unrelated file.
  if (node.size() <= kNodePrefix.size() || node.compare(0, kNodePrefix.size(), kNodePrefix) != 0) {
    return {};
  }
  for (size_t i = kNodePrefix.size(); i < node.size(); ++i) {
    if (node[i] < '0' || node[i] > '9') {
      return {};
    }
  }
  return "/sys/class/hidraw/" + node + "/device/report_descriptor";
}

bool ReadDescriptorFile(const std::string& path, std::vector<uint8_t>& out) {
  out.clear();
  if (path.empty()) {
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return false;
  }
  // sysfs reports a nominal size, not the real one, so read until end of file.
  std::vector<uint8_t> data;
  char chunk[4096];
  while (file) {
    file.read(chunk, sizeof chunk);
    const std::streamsize got = file.gcount();
    if (got <= 0) {
      break;
    }
    if (data.size() + static_cast<size_t>(got) > kMaxDescriptorFileBytes) {
      return false;
    }
    data.insert(data.end(), chunk, chunk + got);
  }
  if (file.bad() || data.empty()) {
    return false;
  }
  out = std::move(data);
  return true;
}

HidCollectionLayout LayoutFromDescriptorFile(const std::string& descriptorPath, uint16_t usagePage,
                                             uint16_t usage) {
  HidCollectionLayout layout;
  layout.caps.usagePage = usagePage;
  layout.caps.usage = usage;
  layout.caps.inputReportLength = kFallbackReportLength;
  layout.caps.outputReportLength = kFallbackReportLength;
  layout.caps.featureReportLength = kFallbackReportLength;

  std::vector<uint8_t> descriptor;
  std::vector<ReportCollection> collections;
  if (!ReadDescriptorFile(descriptorPath, descriptor) ||
      !ParseReportDescriptor(descriptor, collections)) {
    return layout;
  }
  const ReportCollection* found = FindReportCollection(collections, usagePage, usage);
  if (found == nullptr) {
    return layout;
  }
  layout.caps.inputReportLength = found->inputReportLength;
  layout.caps.outputReportLength = found->outputReportLength;
  layout.caps.featureReportLength = found->featureReportLength;
  layout.usesReportIds = found->usesReportIds;
  return layout;
}

}  // namespace padscope
