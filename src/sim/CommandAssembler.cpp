#include "sim/CommandAssembler.h"

#include <algorithm>

#include "link/Opcodes.h"

namespace padscope {

namespace {

constexpr size_t kSignatureLength = sizeof kCommandSignature;
constexpr size_t kLongHeaderFields = 16;  // signature, A, B, C

uint32_t BigEndian(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    v = (v << 8) | p[i];
  }
  return v;
}

}  // namespace

void CommandAssembler::SkipToSignature() {
  // Keep the earliest position that starts the signature, or a prefix of it
  // that the next report may complete.
  size_t i = 0;
  for (; i < pending_.size(); ++i) {
    const size_t n = std::min(kSignatureLength, pending_.size() - i);
    if (std::equal(pending_.begin() + i, pending_.begin() + i + n, kCommandSignature)) {
      break;
    }
  }
  pending_.erase(pending_.begin(), pending_.begin() + i);
}

void CommandAssembler::Feed(const uint8_t* bytes, size_t length, std::vector<SimHeader>& out) {
  pending_.insert(pending_.end(), bytes, bytes + length);
  for (;;) {
    SkipToSignature();
    if (pending_.size() < static_cast<size_t>(kShortHeaderLength)) {
      return;
    }
    SimHeader h;
    size_t used;
    if (pending_[7] != 0) {
      h.opcode = pending_[7];
      h.argument = BigEndian(&pending_[4], 3);
      used = kShortHeaderLength;
    } else {
      if (pending_.size() < kLongHeaderFields) {
        return;
      }
      h.longHeader = true;
      h.argument = BigEndian(&pending_[8], 4);
      // C is a 32-bit field; only its low byte is ever used. Anything in its
      // upper bytes makes an opcode this adapter does not know.
      h.opcode = BigEndian(&pending_[12], 3) == 0 ? pending_[15] : 0;
      used = kLongHeaderFields;
    }
    pending_.erase(pending_.begin(), pending_.begin() + used);
    out.push_back(h);
  }
}

}  // namespace padscope
