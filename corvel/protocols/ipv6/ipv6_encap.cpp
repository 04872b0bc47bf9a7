#include "corvel/protocols/ipv6/ipv6_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/ipv6/ipv6.h"

namespace corvel {

IpV6Encapsulator::IpV6Encapsulator(const IpV6ProtocolConfig& config)
    : Encapsulator(ProtocolKind::IpV6, enRoleInner, config.headerBytes(), {}) {}

void IpV6Encapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  writeBitField(layout.header, Ipv6Wire::kPayloadLength, static_cast<uint64_t>(payloadSize() + padding()));
}

}  // namespace corvel
