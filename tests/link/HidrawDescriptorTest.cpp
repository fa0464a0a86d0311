#include "link/HidrawDescriptor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/HidapiBackend.h"

namespace padscope {
namespace {

using Bytes = std::vector<uint8_t>;

std::string TempFile(const std::string& name, const Bytes& content) {
  const std::string path = std::string(std::getenv("PADSCOPE_HOME")) + "/" + name;
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(content.data()),
             static_cast<std::streamsize>(content.size()));
  return path;
}

// Command collection (Generic Desktop / 3, 8-byte reports) followed by the
// data collection (0xFFA0 / 1, 64-byte reports), both unnumbered.
const Bytes kAdapterDescriptor = {0x05, 0x01, 0x09, 0x03, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08,
                                  0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0, 0x06,
                                  0xA0, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x40,
                                  0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};

TEST(HidrawDescriptorPath, MapsOnlyPlainHidrawNodes) {
  EXPECT_EQ(HidrawDescriptorPath("/dev/hidraw0"),
            "/sys/class/hidraw/hidraw0/device/report_descriptor");
  EXPECT_EQ(HidrawDescriptorPath("/dev/hidraw12"),
            "/sys/class/hidraw/hidraw12/device/report_descriptor");
  for (const char* bad : {"", "/dev/hidraw", "hidraw0", "/dev/hidrawX", "/dev/hidraw0a",
                          "/dev/hidraw0/../../etc/passwd", "/dev/usb/hiddev0", "/dev//hidraw0",
                          "/tmp/hidraw0", "1-2:1.0"}) {
    EXPECT_EQ(HidrawDescriptorPath(bad), "") << bad;
  }
}

TEST(ReadDescriptorFile, ReadsWholeBinaryFile) {
  Bytes content(300);
  for (size_t i = 0; i < content.size(); ++i) {
    content[i] = static_cast<uint8_t>(i * 7);  // includes 0x00 and bytes above 0x7F
  }
  Bytes out;
  ASSERT_TRUE(ReadDescriptorFile(TempFile("d.bin", content), out));
  EXPECT_EQ(out, content);
}

TEST(ReadDescriptorFile, RejectsMissingEmptyOversizedAndDirectories) {
  const std::string home = std::getenv("PADSCOPE_HOME");
  Bytes out = {1, 2, 3};
  EXPECT_FALSE(ReadDescriptorFile(home + "/missing.bin", out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(ReadDescriptorFile("", out));
  EXPECT_FALSE(ReadDescriptorFile(TempFile("empty.bin", {}), out));
  EXPECT_FALSE(ReadDescriptorFile(home, out));
  EXPECT_FALSE(
      ReadDescriptorFile(TempFile("big.bin", Bytes(kMaxDescriptorFileBytes + 1, 0xA1)), out));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(ReadDescriptorFile(TempFile("max.bin", Bytes(kMaxDescriptorFileBytes, 0xA1)), out));
  EXPECT_EQ(out.size(), kMaxDescriptorFileBytes);
}

TEST(LayoutFromDescriptorFile, LooksUpTheCollectionByUsage) {
  const std::string path = TempFile("adapter.bin", kAdapterDescriptor);

  const HidCollectionLayout data = LayoutFromDescriptorFile(path, 0xFFA0, 0x0001);
  EXPECT_EQ(data.caps.usagePage, 0xFFA0);
  EXPECT_EQ(data.caps.usage, 0x0001);
  EXPECT_EQ(data.caps.inputReportLength, 65);
  EXPECT_EQ(data.caps.outputReportLength, 65);
  EXPECT_EQ(data.caps.featureReportLength, 0);
  EXPECT_FALSE(data.usesReportIds);

  const HidCollectionLayout command = LayoutFromDescriptorFile(path, 0x0001, 0x0003);
  EXPECT_EQ(command.caps.inputReportLength, 9);
  EXPECT_EQ(command.caps.outputReportLength, 9);
}

TEST(LayoutFromDescriptorFile, FallsBackWhenTheLayoutIsUnknown) {
  const std::string home = std::getenv("PADSCOPE_HOME");
  const std::string paths[] = {
      home + "/missing.bin", TempFile("garbage.bin", {0xA1, 0x01, 0xFF, 0x13}),
      TempFile("other.bin", kAdapterDescriptor),  // asked-for collection not in it
  };
  for (const std::string& path : paths) {
    const HidCollectionLayout l = LayoutFromDescriptorFile(path, 0xFF00, 0x0042);
    EXPECT_EQ(l.caps.usagePage, 0xFF00) << path;
    EXPECT_EQ(l.caps.usage, 0x0042);
    EXPECT_EQ(l.caps.inputReportLength, kFallbackReportLength);
    EXPECT_EQ(l.caps.outputReportLength, kFallbackReportLength);
    EXPECT_EQ(l.caps.featureReportLength, kFallbackReportLength);
    EXPECT_FALSE(l.usesReportIds);
  }
}

TEST(HidapiBackend, EnumerateAndOpenFailSafelyWithoutAdapter) {
  HidapiBackend backend;
  for (const HidDeviceInfo& info : backend.Enumerate()) {
    EXPECT_FALSE(info.path.empty());
  }
  HidDeviceInfo missing;
  EXPECT_EQ(backend.Open(missing), nullptr);
  missing.path = std::string(std::getenv("PADSCOPE_HOME")) + "/no-such-hidraw";
  EXPECT_EQ(backend.Open(missing), nullptr);
}

}  // namespace
}  // namespace padscope
