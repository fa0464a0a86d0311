#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace padscope {

// One command header as the adapter decoded it.
struct SimHeader {
  uint8_t opcode = 0;
  uint32_t argument = 0;    // 24-bit argument of a short/block header, or B of a long one
  bool longHeader = false;  // the 64-byte form with the opcode in byte 15
};

// Cuts command headers out of the byte stream that reaches the command
// collection (output report payloads and feature report payloads, in order).
//
// How a header is recognised, whatever the report size:
//  * A header starts at the signature "USBC". Bytes before a signature are
//    skipped: the zero padding of a report, the 56 or 48 zero bytes that end a
//    64-byte header (possibly spread over several small reports), stray data.
//  * Byte 7 non-zero: a short or block header (both start with the same eight
//    bytes: argument in 4..6, opcode in 7). It is complete after eight bytes.
//  * Byte 7 zero: no short opcode is zero, and a long header's field A (4..7) is
//    always zero, so it is a long header. It is complete after sixteen bytes
//    (B in 8..11, opcode in 15); bytes 16..63 are zero padding.
//
// Strictly, as an adapter that looks at each report on its own most likely
// does: a header starts only at byte 0 of a report, a report carries at most
// one header, and only a long header that needs more than one report carries
// on into the next; any other report is ignored.
// Not thread-safe; owned by the firmware under the adapter's lock.
class CommandAssembler {
 public:
  explicit CommandAssembler(bool strict = false) : strict_(strict) {}

  // Takes the payload of one report and adds every header it completes to `out`.
  void Feed(const uint8_t* bytes, size_t length, std::vector<SimHeader>& out);

  // Forgets a partly received header (power cycle).
  void Reset() { pending_.clear(); }

 private:
  void SkipToSignature();
  // Cuts the header at the start of pending_; false while it is incomplete.
  bool TakeHeader(SimHeader& h, size_t& used) const;
  void FeedStrict(const uint8_t* bytes, size_t length, std::vector<SimHeader>& out);

  bool strict_;
  std::vector<uint8_t> pending_;
};

}  // namespace padscope
