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

bool CommandAssembler::TakeHeader(SimHeader& h, size_t& used) const {
  if (pending_.size() < static_cast<size_t>(kShortHeaderLength)) {
    return false;
  }
  h = {};
  if (pending_[7] != 0) {
    h.opcode = pending_[7];
    h.argument = BigEndian(&pending_[4], 3);
    used = kShortHeaderLength;
    return true;
  }
  if (pending_.size() < kLongHeaderFields) {
    return false;
  }
  h.longHeader = true;
  h.argument = BigEndian(&pending_[8], 4);
  // C is a 32-bit field; only its low byte is ever used. Anything in its
  // upper bytes makes an opcode this adapter does not know.
  h.opcode = BigEndian(&pending_[12], 3) == 0 ? pending_[15] : 0;
  used = kLongHeaderFields;
  return true;
}

void CommandAssembler::FeedStrict(const uint8_t* bytes, size_t length,
                                  std::vector<SimHeader>& out) {
  const bool continues = !pending_.empty();
  if (!continues && (length < kSignatureLength ||
                     !std::equal(bytes, bytes + kSignatureLength, kCommandSignature))) {
    return;  // no header at byte 0: padding, the rest of a long header, or stray data
  }
  pending_.insert(pending_.end(), bytes, bytes + length);
  SimHeader h;
  size_t used = 0;
  if (TakeHeader(h, used)) {
    out.push_back(h);
    pending_.clear();  // the rest of the report is the header's padding
  }
}

void CommandAssembler::Feed(const uint8_t* bytes, size_t length, std::vector<SimHeader>& out) {
  if (strict_) {
    FeedStrict(bytes, length, out);
    return;
  }
  pending_.insert(pending_.end(), bytes, bytes + length);
  for (;;) {
    SkipToSignature();
    SimHeader h;
    size_t used = 0;
    if (!TakeHeader(h, used)) {
      return;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(used));
    out.push_back(h);
  }
}

}  // namespace padscope
