#include "corvel/protocols/udp_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/pseudo_header.h"
#include "corvel/protocols/udp.h"

namespace corvel {

UdpEncapsulator::UdpEncapsulator(const UdpProtocolConfig& config)
    : Encapsulator(ProtocolKind::Udp, enRoleInner, config.headerBytes(), {}) {}

double UdpEncapsulator::maxPayload() const {
  return static_cast<double>(bitFieldMax(UdpWire::kLength.width) - UdpWire::kSize);
}

void UdpEncapsulator::preparePseudoHeader() {
  PseudoHeaderAddresses addresses;
  _hasPseudoHeader = pseudoHeaderAddresses(outer(), addresses);
  _pseudoHeader =
      _hasPseudoHeader ? pseudoHeaderSum(addresses.source, addresses.destination, kIpProtocolUdp) : 0;
  _pseudoHeaderOuter = outer();
  _pseudoHeaderReady = true;
}

void UdpEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  const int64_t length = int64_t{headerSize()} + payloadSize() + padding();
  setBitField(layout.header, UdpWire::kLength, length, "value exceeds length range");
  if (!_pseudoHeaderReady || _pseudoHeaderOuter != outer()) preparePseudoHeader();
  const bool sum = computeChecksum() && _hasPseudoHeader;
  writeBitField(layout.header, UdpWire::kChecksum, sum ? udpChecksum(_pseudoHeader, layer) : 0);
}

}  // namespace corvel
