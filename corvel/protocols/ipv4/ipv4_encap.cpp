#include "corvel/protocols/ipv4/ipv4_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/ipv4/ipv4.h"

namespace corvel {

IpV4Encapsulator::IpV4Encapsulator(const IpV4ProtocolConfig& config)
    : Encapsulator(ProtocolKind::IpV4, enRoleInner, config.headerBytes(), {}),
      _fixedSum(ipv4FixedSum(headerCopy())) {}

double IpV4Encapsulator::maxPayload() const {
  return static_cast<double>(bitFieldMax(Ipv4Wire::kTotalLength.width) - Ipv4Wire::kSize);
}

void IpV4Encapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  const auto totalLength = static_cast<uint16_t>(headerSize() + payloadSize() + padding());
  writeBitField(layout.header, Ipv4Wire::kTotalLength, totalLength);
  writeBitField(layout.header, Ipv4Wire::kChecksum,
                computeChecksum() ? ipv4HeaderChecksum(_fixedSum, totalLength) : 0);
}

}  // namespace corvel
