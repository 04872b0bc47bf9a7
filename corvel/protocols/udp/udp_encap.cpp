#include "corvel/protocols/udp/udp_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/udp/udp.h"

namespace corvel {

UdpEncapsulator::UdpEncapsulator(const UdpProtocolConfig& config)
    : Encapsulator(ProtocolKind::Udp, enRoleInner, config.headerBytes(), {}),
      _pseudoHeader(kIpProtocolUdp) {}

double UdpEncapsulator::maxPayload() const {
  return static_cast<double>(bitFieldMax(UdpWire::kLength.width) - UdpWire::kSize);
}

void UdpEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  const int64_t length = int64_t{headerSize()} + payloadSize() + padding();
  setBitField(layout.header, UdpWire::kLength, length, "value exceeds length range");
  uint64_t pseudoHeader = 0;
  const bool present = _pseudoHeader.sumFor(outer(), pseudoHeader);
  const bool sum = computeChecksum() && present;
  writeBitField(layout.header, UdpWire::kChecksum, sum ? udpChecksum(pseudoHeader, layer) : 0);
}

}  // namespace corvel
