#include "corvel/protocols/ethernet/ethernet_encap.h"

#include "corvel/protocols/crc32.h"
#include "corvel/protocols/ethernet/ethernet.h"

namespace corvel {

FrameCheckEncapsulator::FrameCheckEncapsulator(ProtocolKind kind, const ProtocolConfig& config)
    : DatalinkEncapsulator(kind, enRoleFrame, config.headerBytes(), config.trailerBytes()) {}

void FrameCheckEncapsulator::setCrcTable(const EthernetFcs* table) {
  _crcTable = table;
  if (table != nullptr) _headerState = table->update(EthernetFcs::kStart, headerCopy());
}

void FrameCheckEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  fillPadding(layout);
  if (_crcTable == nullptr) {
    copyTrailer(layout);
    return;
  }
  const size_t header = layout.header.size();
  const auto rest = layer.subspan(header, layer.size() - header - layout.trailer.size());
  const uint32_t state = header == headerCopy().size() ? _headerState
                                                       : _crcTable->update(EthernetFcs::kStart, layout.header);
  EthernetFcs::storeValue(~_crcTable->update(state, rest), layout.trailer);
}

EthernetEncapsulator::EthernetEncapsulator(const EthernetProtocolConfig& config)
    : FrameCheckEncapsulator(ProtocolKind::Ethernet, config) {}

}  // namespace corvel
