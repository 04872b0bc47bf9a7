#include "corvel/protocols/pseudo_header.h"

#include "corvel/protocols/encapsulator.h"

namespace corvel {

namespace {

bool take(std::span<const uint8_t> header, size_t at, size_t length, PseudoHeaderAddresses& out) {
  if (header.size() < at + 2 * length) return false;
  out.source = header.subspan(at, length);
  out.destination = header.subspan(at + length, length);
  return true;
}

}  // namespace

bool pseudoHeaderAddresses(const Encapsulator* outer, PseudoHeaderAddresses& out) {
  if (outer == nullptr) return false;
  switch (outer->kind()) {
    case ProtocolKind::IpV4:
      return take(outer->headerCopy(), 12, 4, out);
    case ProtocolKind::IpV6:
      return take(outer->headerCopy(), 8, 16, out);
    default:
      return false;
  }
}

}  // namespace corvel
