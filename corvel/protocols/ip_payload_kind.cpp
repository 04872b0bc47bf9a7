#include "corvel/protocols/ip_payload_kind.h"

#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"

namespace corvel {

std::optional<ProtocolKind> ipPayloadKind(uint64_t protocol) {
  switch (protocol) {
    case kIpProtocolTcp: return ProtocolKind::Tcp;
    case kIpProtocolUdp: return ProtocolKind::Udp;
    case kIpProtocolIpv6: return ProtocolKind::IpV6;
    default: return std::nullopt;
  }
}

std::optional<uint64_t> ipProtocolNumber(ProtocolKind kind) {
  switch (kind) {
    case ProtocolKind::Tcp: return kIpProtocolTcp;
    case ProtocolKind::Udp: return kIpProtocolUdp;
    case ProtocolKind::IpV6: return kIpProtocolIpv6;
    default: return std::nullopt;
  }
}

}  // namespace corvel
