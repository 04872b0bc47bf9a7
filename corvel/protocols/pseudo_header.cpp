#include "corvel/protocols/pseudo_header.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/encapsulator.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"

namespace corvel {

namespace {

bool take(std::span<const uint8_t> header, const BitField& source, const BitField& destination,
          PseudoHeaderAddresses& out) {
  if (header.size() < static_cast<size_t>(fieldEnd(source)) ||
      header.size() < static_cast<size_t>(fieldEnd(destination))) {
    return false;
  }
  out.source = fieldBytes(header, source);
  out.destination = fieldBytes(header, destination);
  return true;
}

}  // namespace

bool pseudoHeaderAddresses(ProtocolKind outerKind, std::span<const uint8_t> outerHeader,
                           PseudoHeaderAddresses& out) {
  switch (outerKind) {
    case ProtocolKind::IpV4:
      return take(outerHeader, Ipv4Wire::kSource, Ipv4Wire::kDestination, out);
    case ProtocolKind::IpV6:
      return take(outerHeader, Ipv6Wire::kSource, Ipv6Wire::kDestination, out);
    default:
      return false;
  }
}

bool pseudoHeaderAddresses(const Encapsulator* outer, PseudoHeaderAddresses& out) {
  return outer != nullptr && pseudoHeaderAddresses(outer->kind(), outer->headerCopy(), out);
}

bool PseudoHeaderCache::sumFor(const Encapsulator* outer, uint64_t& sum) {
  if (!_ready || _outer != outer) {
    PseudoHeaderAddresses addresses;
    _present = pseudoHeaderAddresses(outer, addresses);
    _sum = _present ? pseudoHeaderSum(addresses.source, addresses.destination, _protocol) : 0;
    _outer = outer;
    _ready = true;
  }
  sum = _sum;
  return _present;
}

}  // namespace corvel
