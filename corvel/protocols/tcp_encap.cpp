#include "corvel/protocols/tcp_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/pseudo_header.h"
#include "corvel/protocols/tcp.h"

namespace corvel {

namespace {
constexpr BitField kDataOffset{12, 7, 4};
constexpr BitField kChecksum = byteField(16, 2);
}  // namespace

TcpEncapsulator::TcpEncapsulator(const TcpProtocolConfig& config)
    : Encapsulator(ProtocolKind::Tcp, enRoleInner, config.headerBytes(), {}) {}

void TcpEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  writeBitField(layout.header, kDataOffset, static_cast<uint64_t>(headerSize() / 4));
  writeBitField(layout.header, kChecksum, 0);
  if (!computeChecksum()) return;
  PseudoHeaderAddresses addresses;
  if (pseudoHeaderAddresses(outer(), addresses)) {
    tcpSegmentChecksum(addresses.source, addresses.destination, layer);
  } else {
    tcpHeaderChecksum(layout.header);
  }
}

}  // namespace corvel
