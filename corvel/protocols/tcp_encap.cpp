#include "corvel/protocols/tcp_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/pseudo_header.h"
#include "corvel/protocols/tcp.h"

namespace corvel {

TcpEncapsulator::TcpEncapsulator(const TcpProtocolConfig& config)
    : Encapsulator(ProtocolKind::Tcp, enRoleInner, config.headerBytes(), {}) {}

void TcpEncapsulator::preparePseudoHeader() {
  PseudoHeaderAddresses addresses;
  _hasPseudoHeader = pseudoHeaderAddresses(outer(), addresses);
  _pseudoHeader =
      _hasPseudoHeader ? pseudoHeaderSum(addresses.source, addresses.destination, kIpProtocolTcp) : 0;
  _pseudoHeaderOuter = outer();
  _pseudoHeaderReady = true;
}

void TcpEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  writeBitField(layout.header, TcpWire::kDataOffset, static_cast<uint64_t>(headerSize() / 4));
  uint16_t checksum = 0;
  if (computeChecksum()) {
    if (!_pseudoHeaderReady || _pseudoHeaderOuter != outer()) preparePseudoHeader();
    checksum = _hasPseudoHeader ? tcpChecksum(_pseudoHeader, layer) : tcpHeaderOnlyChecksum(layout.header);
  }
  writeBitField(layout.header, TcpWire::kChecksum, checksum);
}

}  // namespace corvel
