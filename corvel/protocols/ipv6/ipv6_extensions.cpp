#include "corvel/protocols/ipv6/ipv6_extensions.h"

#include <optional>

namespace corvel {

bool isIpv6Extension(uint64_t nextHeader) {
  switch (nextHeader) {
    case kIpv6HopByHop:
    case kIpv6Routing:
    case kIpv6Fragment:
    case kIpv6DestinationOptions:
    case 50:   // encapsulating security payload
    case 51:   // authentication header
    case 135:  // mobility
    case 139:  // host identity protocol
    case 140:  // shim6
    case 253:  // experimentation and testing
    case 254:
      return true;
    default:
      return false;
  }
}

namespace {

// The size of the walked extension header at `at`; nothing when its length
// byte lies outside the bytes.
std::optional<size_t> extensionSize(ByteView payload, size_t at, uint64_t nextHeader) {
  if (nextHeader == kIpv6Fragment) return Ipv6ExtensionWire::kFragmentSize;
  const std::optional<uint64_t> units =
      payload.field(offsetField(Ipv6ExtensionWire::kLength, static_cast<int32_t>(at)));
  if (!units) return std::nullopt;
  return (*units + 1) * Ipv6ExtensionWire::kUnit;
}

bool walked(uint64_t nextHeader, bool first) {
  return (nextHeader == kIpv6HopByHop && first) || nextHeader == kIpv6Routing || nextHeader == kIpv6Fragment ||
         nextHeader == kIpv6DestinationOptions;
}

}  // namespace

ExtensionWalk walkIpv6Extensions(ByteView payload, uint64_t nextHeader) {
  ExtensionWalk walk;
  walk.nextHeader = nextHeader;
  while (walked(walk.nextHeader, walk.length == 0)) {
    const std::optional<size_t> size = extensionSize(payload, walk.length, walk.nextHeader);
    if (!size || !payload.holds(walk.length, *size)) {
      walk.end = ExtensionWalkEnd::PastPayload;
      return walk;
    }
    walk.nextHeader = payload.value(offsetField(Ipv6ExtensionWire::kNextHeader, static_cast<int32_t>(walk.length)));
    walk.length += *size;
  }
  walk.end = isIpv6Extension(walk.nextHeader) ? ExtensionWalkEnd::Unknown : ExtensionWalkEnd::UpperLayer;
  return walk;
}

}  // namespace corvel
