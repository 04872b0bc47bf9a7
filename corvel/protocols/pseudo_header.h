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
// `outerHeader` holds its addresses (IpV4Wire, IpV6Wire). A verifier passes
// the captured outer header.
bool pseudoHeaderAddresses(ProtocolKind outerKind, std::span<const uint8_t> outerHeader,
                           PseudoHeaderAddresses& out);

// The same for the builder: the addresses are read from the outer layer's
// configured header bytes, because the outer header is written after the
// inner layers. False when there is no outer layer.
bool pseudoHeaderAddresses(const Encapsulator* outer, PseudoHeaderAddresses& out);

}  // namespace corvel
