// IPv6 extension headers (RFC 8200 section 4) between the fixed header and
// the upper-layer header of a captured packet: hop-by-hop options, routing,
// fragment and destination options are walked by their length rules; any
// other extension header ends the walk.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corvel/protocols/byte_view.h"

namespace corvel {

// The first two bytes every walked extension header starts with. Hop-by-hop,
// routing and destination options count their length in 8-byte units after
// the first 8 bytes; a fragment header is always 8 bytes.
struct Ipv6ExtensionWire {
  static constexpr BitField kNextHeader = byteField(0, 1);
  static constexpr BitField kLength = byteField(1, 1);
  static constexpr size_t kUnit = 8;
  static constexpr size_t kFragmentSize = 8;
};

inline constexpr uint8_t kIpv6HopByHop = 0;
inline constexpr uint8_t kIpv6Routing = 43;
inline constexpr uint8_t kIpv6Fragment = 44;
inline constexpr uint8_t kIpv6DestinationOptions = 60;

// True for every next-header number the IANA registry lists as an IPv6
// extension header, walked or not.
bool isIpv6Extension(uint64_t nextHeader);

enum class ExtensionWalkEnd {
  UpperLayer,   // reached a header that is no extension header
  Unknown,      // reached an extension header that is not walked
  PastPayload,  // an extension header runs past the bytes present
};

struct ExtensionWalk {
  size_t length = 0;        // bytes of the extension headers walked
  uint64_t nextHeader = 0;  // the number the last one walked names
  ExtensionWalkEnd end = ExtensionWalkEnd::UpperLayer;
};

// Walks from `nextHeader` (the fixed header's field) over `payload`, the
// bytes behind the fixed header. A hop-by-hop header is taken only directly
// behind the fixed header.
ExtensionWalk walkIpv6Extensions(ByteView payload, uint64_t nextHeader);

}  // namespace corvel
