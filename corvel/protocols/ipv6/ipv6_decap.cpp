#include "corvel/protocols/ipv6/ipv6_decap.h"

#include "corvel/protocols/ip_payload_kind.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/ipv6/ipv6_extensions.h"

namespace corvel {

IpV6Decapsulator::IpV6Decapsulator(const ProtocolConfig& config)
    : Decapsulator(config, "IpV6", "IPV6 warning, "),
      _ownNextHeader(readBitField(config.headerBytes(), Ipv6Wire::kNextHeader)) {}

// The stream's own next header is what its builder writes: a captured header
// that names it is taken as the stream sends it, also when the number is an
// extension header's. One that names an extension header instead (a capture
// of real traffic) is walked to the upper-layer header.
bool IpV6Decapsulator::walksExtensions(uint64_t nextHeader) const {
  return nextHeader != _ownNextHeader && isIpv6Extension(nextHeader);
}

std::optional<ProtocolKind> IpV6Decapsulator::serviceAccessProtocol(ByteView layer) const {
  const std::optional<uint64_t> next = layer.field(Ipv6Wire::kNextHeader);
  if (!next) return std::nullopt;
  if (!walksExtensions(*next)) return ipPayloadKind(*next);
  const ExtensionWalk walk = walkIpv6Extensions(layer.from(Ipv6Wire::kSize), *next);
  return walk.end == ExtensionWalkEnd::UpperLayer ? ipPayloadKind(walk.nextHeader) : std::nullopt;
}

void IpV6Decapsulator::checkInnerNamed(ByteView layer, ProtocolKind inner) const {
  const std::optional<uint64_t> next = layer.field(Ipv6Wire::kNextHeader);
  if (!next || walksExtensions(*next)) return;
  checkNamedNumber(layer, Ipv6Wire::kNextHeader, ipPayloadKind(*next), inner, ipProtocolNumber(inner));
}

int32_t IpV6Decapsulator::verify(ByteView layer, VerifyContext& context) {
  int32_t payload = checkSizes(layer, Ipv6Wire::kSize, 0, 65535, 1);
  payload = checkInternalSize(payload, static_cast<int64_t>(layer.value(Ipv6Wire::kPayloadLength)), context);
  const uint64_t next = layer.value(Ipv6Wire::kNextHeader);
  ExtensionWalk walk;
  if (walksExtensions(next)) {
    walk = walkIpv6Extensions(layer.sub(Ipv6Wire::kSize, static_cast<size_t>(payload)), next);
    if (walk.end == ExtensionWalkEnd::PastPayload) fail("extension header runs past the payload.");
  }
  // The layer inside starts behind the extension headers.
  _headerSize = Ipv6Wire::kSize + static_cast<int32_t>(walk.length);
  payload -= static_cast<int32_t>(walk.length);
  if (payload <= 0) fail("protocol contains no payload.");
  if (warningsOn(context)) {
    if (layer.value(Ipv6Wire::kVersion) != Ipv6Wire::kVersionNumber) warn(context, "VERSION field is not 6");
    if (layer.value(Ipv6Wire::kFlowLabel) == 0) warn(context, "FLOW LABEL field is zero");
    if (next == 0 && walk.length == 0) warn(context, "NEXT HEADER field not specified");
    if (walk.end == ExtensionWalkEnd::Unknown) warn(context, "NEXT HEADER names an extension header that is not walked");
    if (layer.value(Ipv6Wire::kHopLimit) == 0) warn(context, "HOP LIMIT field is zero");
    if (layer.allZero(Ipv6Wire::kSource)) warn(context, "SOURCE field is zero");
    if (layer.allZero(Ipv6Wire::kDestination)) warn(context, "DESTINATION field is zero");
  }
  context.sourceAddress = layer.sub(Ipv6Wire::kSource).bytes();
  context.destinationAddress = layer.sub(Ipv6Wire::kDestination).bytes();
  return payload;
}

}  // namespace corvel
