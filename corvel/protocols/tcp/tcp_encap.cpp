#include "corvel/protocols/tcp/tcp_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/tcp/tcp.h"

namespace corvel {

TcpEncapsulator::TcpEncapsulator(const TcpProtocolConfig& config)
    : Encapsulator(ProtocolKind::Tcp, enRoleInner, config.headerBytes(), {}),
      _pseudoHeader(kIpProtocolTcp),
      _sequenceStepsByPayload(config.sequenceStepsByPayload()),
      _nextSequence(static_cast<uint32_t>(readBitField(config.headerBytes(), TcpWire::kSequenceNumber))) {}

void TcpEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  writeBitField(layout.header, TcpWire::kDataOffset, static_cast<uint64_t>(headerSize() / 4));
  if (_sequenceStepsByPayload) {
    writeBitField(layout.header, TcpWire::kSequenceNumber, _nextSequence);
    _nextSequence += static_cast<uint32_t>(layout.payload.size());
  }
  uint16_t checksum = 0;
  if (computeChecksum()) {
    uint64_t pseudoHeader = 0;
    checksum = _pseudoHeader.sumFor(outer(), pseudoHeader) ? tcpChecksum(pseudoHeader, layer)
                                                           : tcpHeaderOnlyChecksum(layout.header);
  }
  writeBitField(layout.header, TcpWire::kChecksum, checksum);
}

}  // namespace corvel
