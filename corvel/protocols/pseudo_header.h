// The addresses of the IP layer directly outside a transport layer, for the
// UDP and TCP pseudo-header. They are read from the outer layer's configured
// header bytes, because the outer header is written after the inner layers.
#pragma once

#include <cstdint>
#include <span>

namespace corvel {

class Encapsulator;

struct PseudoHeaderAddresses {
  std::span<const uint8_t> source;
  std::span<const uint8_t> destination;
};

// True (and the addresses filled) when `outer` is IPv4 (bytes 12-15 and
// 16-19) or IPv6 (bytes 8-23 and 24-39).
bool pseudoHeaderAddresses(const Encapsulator* outer, PseudoHeaderAddresses& out);

}  // namespace corvel
