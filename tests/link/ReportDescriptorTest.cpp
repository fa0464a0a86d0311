#include "link/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace padscope {
namespace {

using Bytes = std::vector<uint8_t>;

// Vendor-defined collection with one unnumbered input and one output report of
// `count` bytes each.
Bytes VendorInOut(uint8_t count) {
  return {0x06, 0xA0,  0xFF,  // Usage Page (0xFFA0)
          0x09, 0x01,         // Usage (1)
          0xA1, 0x01,         // Collection (Application)
          0x09, 0x02,         //   Usage (2)
          0x15, 0x00,         //   Logical Minimum (0)
          0x26, 0xFF,  0x00,  //   Logical Maximum (255)
          0x75, 0x08,         //   Report Size (8)
          0x95, count,        //   Report Count
          0x81, 0x02,         //   Input (Data, Var, Abs)
          0x09, 0x03,         //   Usage (3)
          0x95, count,        //   Report Count
          0x91, 0x02,         //   Output (Data, Var, Abs)
          0xC0};              // End Collection
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// clang-format off
// A boot keyboard: 8 modifier bits, a reserved byte and six key codes in,
// five LED bits plus padding out.
const Bytes kKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,                          // Generic Desktop / Keyboard
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,                          // modifiers
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,                          // reserved
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05,
    0x91, 0x02,                                                  // LEDs
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,                          // LED padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07,
    0x19, 0x00, 0x29, 0x65, 0x81, 0x00,                          // key codes
    0xC0};

// Numbered reports: id 1 has 8 input bytes, id 2 has 32, id 3 a 4-byte feature.
const Bytes kNumbered = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
    0x75, 0x08,
    0x85, 0x01, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02,
    0x85, 0x02, 0x95, 0x20, 0x09, 0x02, 0x81, 0x02,
    0x85, 0x03, 0x95, 0x04, 0x09, 0x03, 0xB1, 0x02,
    0xC0};
// clang-format on

std::vector<ReportCollection> ParseOk(const Bytes& d) {
  std::vector<ReportCollection> out;
  EXPECT_TRUE(ParseReportDescriptor(d, out));
  return out;
}

bool Parses(const Bytes& d) {
  std::vector<ReportCollection> out;
  return ParseReportDescriptor(d, out);
}

TEST(ReportDescriptor, VendorCollectionLengthsIncludeIdByte) {
  auto big = ParseOk(VendorInOut(64));
  ASSERT_EQ(big.size(), 1u);
  EXPECT_EQ(big[0].usagePage, 0xFFA0);
  EXPECT_EQ(big[0].usage, 0x0001);
  EXPECT_EQ(big[0].inputReportLength, 65);
  EXPECT_EQ(big[0].outputReportLength, 65);
  EXPECT_EQ(big[0].featureReportLength, 0);  // no feature report at all
  EXPECT_FALSE(big[0].usesReportIds);

  auto small = ParseOk(VendorInOut(8));
  ASSERT_EQ(small.size(), 1u);
  EXPECT_EQ(small[0].inputReportLength, 9);
  EXPECT_EQ(small[0].outputReportLength, 9);
}

TEST(ReportDescriptor, TwoCollectionsHaveSeparateLengths) {
  auto cs = ParseOk(Concat(kKeyboard, VendorInOut(64)));
  ASSERT_EQ(cs.size(), 2u);
  EXPECT_EQ(cs[0].usagePage, 0x0001);
  EXPECT_EQ(cs[0].usage, 0x0006);
  EXPECT_EQ(cs[0].inputReportLength, 9);   // 1 + 1 + 6 bytes
  EXPECT_EQ(cs[0].outputReportLength, 2);  // 5 + 3 bits
  EXPECT_EQ(cs[1].usagePage, 0xFFA0);
  EXPECT_EQ(cs[1].inputReportLength, 65);

  const ReportCollection* vendor = FindReportCollection(cs, 0xFFA0, 0x0001);
  ASSERT_NE(vendor, nullptr);
  EXPECT_EQ(vendor, &cs[1]);
  EXPECT_EQ(FindReportCollection(cs, 0x0001, 0x0003), nullptr);
}

TEST(ReportDescriptor, NestedCollectionsCountTowardTheirTopLevelCollection) {
  const Bytes d = {0x05, 0x01, 0x09, 0x03, 0xA1, 0x01,        // Generic Desktop / 3
                   0x75, 0x08, 0x95, 0x04, 0x81, 0x02,        // 4 bytes in
                   0x09, 0x01, 0xA1, 0x00,                    // Physical collection
                   0x95, 0x0C, 0x81, 0x02,                    //   12 more bytes in
                   0xA1, 0x02, 0x95, 0x02, 0x91, 0x02, 0xC0,  //   Logical: 2 bytes out
                   0xC0, 0xC0};
  auto cs = ParseOk(d);
  ASSERT_EQ(cs.size(), 1u);
  EXPECT_EQ(cs[0].usage, 0x0003);
  EXPECT_EQ(cs[0].inputReportLength, 17);
  EXPECT_EQ(cs[0].outputReportLength, 3);
}

TEST(ReportDescriptor, NumberedReportsTakeTheLargestPerType) {
  auto cs = ParseOk(kNumbered);
  ASSERT_EQ(cs.size(), 1u);
  EXPECT_TRUE(cs[0].usesReportIds);
  EXPECT_EQ(cs[0].inputReportLength, 33);
  EXPECT_EQ(cs[0].outputReportLength, 0);
  EXPECT_EQ(cs[0].featureReportLength, 5);
}

TEST(ReportDescriptor, ReportIdCarriesIntoTheNextCollection) {
  // Report id is global state: the vendor collection after kNumbered still
  // sends its reports under id 3.
  auto cs = ParseOk(Concat(kNumbered, VendorInOut(16)));
  ASSERT_EQ(cs.size(), 2u);
  EXPECT_TRUE(cs[1].usesReportIds);
  EXPECT_EQ(cs[1].inputReportLength, 17);
}

TEST(ReportDescriptor, BitFieldsRoundUpToWholeBytes) {
  const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                   0x75, 0x03, 0x95, 0x01, 0x81, 0x02,  // 3 bits in
                   0x75, 0x09, 0x95, 0x01, 0x91, 0x02,  // 9 bits out
                   0xC0};
  auto cs = ParseOk(d);
  ASSERT_EQ(cs.size(), 1u);
  EXPECT_EQ(cs[0].inputReportLength, 2);
  EXPECT_EQ(cs[0].outputReportLength, 3);
}

TEST(ReportDescriptor, PushPopExtendedUsageAndLongItems) {
  const Bytes d = {0x0B, 0x01, 0x00, 0xA0, 0xFF,        // Usage (0xFFA0:0001), 4-byte extended
                   0xA1, 0x01, 0x75, 0x08, 0x95, 0x10,  // 8 bits x 16
                   0xA4,                                // Push
                   0x95, 0x02,                          //   count 2
                   0xB1, 0x02,                          //   2-byte feature
                   0xB4,                                // Pop: back to 16
                   0xFE, 0x02, 0x10, 0xAA, 0xBB,        // long item, skipped
                   0x81, 0x02,                          // 16-byte input
                   0x97, 0x20, 0x00, 0x00, 0x00,        // Report Count (32), 4-byte form
                   0x91, 0x02, 0xC0};
  auto cs = ParseOk(d);
  ASSERT_EQ(cs.size(), 1u);
  EXPECT_EQ(cs[0].usagePage, 0xFFA0);
  EXPECT_EQ(cs[0].usage, 0x0001);
  EXPECT_EQ(cs[0].featureReportLength, 3);
  EXPECT_EQ(cs[0].inputReportLength, 17);
  EXPECT_EQ(cs[0].outputReportLength, 33);
}

TEST(ReportDescriptor, MalformedDescriptorsFail) {
  const Bytes cases[] = {
      {},                                          // empty
      {0x06, 0xA0, 0xFF, 0x09, 0x01},              // no collection
      {0xC0},                                      // end without collection
      {0x09, 0x01, 0xA1, 0x01, 0xC0, 0xC0},        // one end too many
      {0x75, 0x08, 0x95, 0x01, 0x81, 0x02},        // field outside any collection
      {0xA1, 0x01, 0x85, 0x00, 0xC0},              // report id 0
      {0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0},        // report id above 255
      {0xA1, 0x01, 0xB4, 0xC0},                    // pop without push
      {0xA1, 0x01, 0x0C, 0xC0},                    // reserved item type
      {0xA1, 0x01, 0xD0, 0xC0},                    // reserved main item
      {0xA1, 0x01, 0xC4, 0xC0},                    // reserved global item
      {0xA1, 0x01, 0xFE, 0x05, 0x10, 0x01, 0xC0},  // long item running past the end
  };
  for (const Bytes& d : cases) {
    SCOPED_TRACE(testing::PrintToString(d));
    EXPECT_FALSE(Parses(d));
  }

  Bytes deepPush = {0xA1, 0x01};
  deepPush.insert(deepPush.end(), 33, 0xA4);
  deepPush.push_back(0xC0);
  EXPECT_FALSE(Parses(deepPush));

  Bytes deepNesting(65, 0xA0);  // Collection (Physical), no data byte
  deepNesting.insert(deepNesting.end(), 65, 0xC0);
  EXPECT_FALSE(Parses(deepNesting));
}

TEST(ReportDescriptor, EveryTruncationFailsAndLeavesNoResult) {
  // Every proper prefix of a one-collection descriptor is cut inside an item or
  // an open collection, or holds no collection yet.
  for (const Bytes& full : {kKeyboard, kNumbered, VendorInOut(64)}) {
    for (size_t len = 0; len < full.size(); ++len) {
      std::vector<ReportCollection> out(1);
      const Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len));
      EXPECT_FALSE(ParseReportDescriptor(part, out)) << "length " << len;
      EXPECT_TRUE(out.empty());
    }
    EXPECT_TRUE(Parses(full));
  }
}

TEST(ReportDescriptor, AbsurdSizesAreRejectedWithoutOverflow) {
  // 0xFFFFFFFF bits times 0xFFFFFFFF fields would overflow 64 bits if summed.
  const Bytes huge = {0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF,
                      0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02, 0xC0};
  EXPECT_FALSE(Parses(huge));

  // Many moderate fields adding up past the cap.
  Bytes many = {0xA1, 0x01, 0x75, 0x08, 0x96, 0x00, 0x10};  // 8 bits x 4096
  for (int i = 0; i < 5; ++i) {
    many.insert(many.end(), {0x81, 0x02});
  }
  many.push_back(0xC0);
  EXPECT_FALSE(Parses(many));

  // Exactly at the cap still parses.
  const Bytes atCap = {0xA1, 0x01, 0x75, 0x08, 0x96, 0x00, 0x40, 0x81, 0x02, 0xC0};
  auto cs = ParseOk(atCap);
  ASSERT_EQ(cs.size(), 1u);
  EXPECT_EQ(cs[0].inputReportLength, kMaxReportDataBytes + 1);

  // A zero-sized field declares nothing.
  const Bytes empty = {0xA1, 0x01, 0x75, 0x00, 0x95, 0x40, 0x81, 0x02, 0xC0};
  cs = ParseOk(empty);
  ASSERT_EQ(cs.size(), 1u);
  EXPECT_EQ(cs[0].inputReportLength, 0);
}

TEST(ReportDescriptor, RandomBytesNeverYieldOutOfRangeLengths) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 200);
  for (int round = 0; round < 5000; ++round) {
    Bytes d(static_cast<size_t>(length(rng)));
    for (uint8_t& b : d) {
      b = static_cast<uint8_t>(byte(rng));
    }
    std::vector<ReportCollection> out;
    if (!ParseReportDescriptor(d, out)) {
      ASSERT_TRUE(out.empty());
      continue;
    }
    for (const ReportCollection& c : out) {
      for (int len : {c.inputReportLength, c.outputReportLength, c.featureReportLength}) {
        ASSERT_GE(len, 0);
        ASSERT_LE(len, kMaxReportDataBytes + 1);
      }
    }
  }
}

}  // namespace
}  // namespace padscope
