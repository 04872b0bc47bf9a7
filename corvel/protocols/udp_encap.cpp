#include "corvel/protocols/udp_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/pseudo_header.h"
#include "corvel/protocols/udp.h"

namespace corvel {

namespace {
constexpr BitField kLength = byteField(4, 2);
constexpr BitField kChecksum = byteField(6, 2);
}  // namespace

UdpEncapsulator::UdpEncapsulator(const UdpProtocolConfig& config)
    : Encapsulator(ProtocolKind::Udp, enRoleInner, config.headerBytes(), {}) {}

void UdpEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  setBitField(layout.header, kLength, int64_t{headerSize()} + payloadSize() + padding(),
              "value exceeds length range");
  uint16_t checksum = 0;
  PseudoHeaderAddresses addresses;
  if (pseudoHeaderAddresses(outer(), addresses)) {
    checksum = udpChecksum(addresses.source, addresses.destination, layer);
    if (checksum == 0) checksum = 0xffff;
  }
  writeBitField(layout.header, kChecksum, checksum);
}

}  // namespace corvel
