#include "corvel/protocols/ipv4_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/ipv4.h"

namespace corvel {

namespace {
constexpr BitField kTotalLength = byteField(2, 2);
}

IpV4Encapsulator::IpV4Encapsulator(const IpV4ProtocolConfig& config)
    : Encapsulator(ProtocolKind::IpV4, enRoleInner, config.headerBytes(), {}) {}

void IpV4Encapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  writeBitField(layout.header, kTotalLength,
                static_cast<uint64_t>(headerSize() + payloadSize() + padding()));
  ipv4HeaderChecksum(layout.header);
}

}  // namespace corvel
