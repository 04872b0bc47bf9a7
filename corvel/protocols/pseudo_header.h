// The addresses of the IP layer directly outside a transport layer, for the
// UDP and TCP pseudo-header (checksum.h).
#pragma once

#include <cstdint>
#include <span>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class Encapsulator;

struct PseudoHeaderAddresses {
  std::span<const uint8_t> source;
  std::span<const uint8_t> destination;
};

// True (and the addresses filled) when `outerKind` is IPv4 or IPv6 and
// `outerHeader` holds its addresses (Ipv4Wire, Ipv6Wire). A verifier passes
// the captured outer header.
bool pseudoHeaderAddresses(ProtocolKind outerKind, std::span<const uint8_t> outerHeader,
                           PseudoHeaderAddresses& out);

// The same for the builder: the addresses are read from the outer layer's
// configured header bytes, because the outer header is written after the
// inner layers. False when there is no outer layer.
bool pseudoHeaderAddresses(const Encapsulator* outer, PseudoHeaderAddresses& out);

// The pseudo-header sum (checksum.h) a UDP or TCP builder adds to every
// datagram or segment: the same for all of them, so it is taken once, and
// taken again when the chain puts the layer inside another outer layer.
class PseudoHeaderCache {
 public:
  // `protocol`: the IP protocol number of the transport layer (17, 6).
  explicit PseudoHeaderCache(uint8_t protocol) : _protocol(protocol) {}

  // True (and the sum set) when the layer directly outside, `outer`, is an
  // IP layer with addresses; false otherwise.
  bool sumFor(const Encapsulator* outer, uint64_t& sum);

 private:
  // The outer layer the sum was taken for.
  const Encapsulator* _outer = nullptr;
  bool _ready = false;
  bool _present = false;
  uint64_t _sum = 0;
  uint8_t _protocol;
};

}  // namespace corvel
