#include "corvel/protocols/ethernet_encap.h"

#include "corvel/protocols/crc32.h"
#include "corvel/protocols/ethernet.h"

namespace corvel {

FrameCheckEncapsulator::FrameCheckEncapsulator(ProtocolKind kind, const ProtocolConfig& config)
    : DatalinkEncapsulator(kind, enRoleFrame, config.headerBytes(), config.trailerBytes()) {}

void FrameCheckEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  fillPadding(layout);
  if (_crcTable != nullptr) {
    _crcTable->store(layer.first(layer.size() - layout.trailer.size()), layout.trailer);
  } else {
    copyTrailer(layout);
  }
}

EthernetEncapsulator::EthernetEncapsulator(const EthernetProtocolConfig& config)
    : FrameCheckEncapsulator(ProtocolKind::Ethernet, config) {}

}  // namespace corvel
