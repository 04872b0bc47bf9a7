#include "corvel/protocols/generic/generic_encap.h"

#include "corvel/protocols/generic/generic.h"

namespace corvel {

GenericEncapsulator::GenericEncapsulator(const GenericProtocolConfig& config)
    : GenericEncapsulator(config.headerBytes(), config.trailerBytes()) {}

GenericEncapsulator::GenericEncapsulator(std::span<const uint8_t> header, std::span<const uint8_t> trailer)
    : DatalinkEncapsulator(ProtocolKind::Generic, enRoleInner, header, trailer) {}

void GenericEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  fillPadding(layout);
  copyTrailer(layout);
}

}  // namespace corvel
