#include "corvel/protocols/interpyx/interpyx_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/interpyx/interpyx.h"

namespace corvel {

InterPyxEncapsulator::InterPyxEncapsulator(const InterPyxProtocolConfig& config)
    : DatalinkEncapsulator(ProtocolKind::InterPyx, enRoleFrame, config.headerBytes(), {}) {}

void InterPyxEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  const auto length =
      static_cast<uint64_t>(layout.payload.size() + layout.padding.size() + layout.trailer.size());
  writeBitField(layout.header, InterPyxWire::kLengthUnits, length / 8);
  writeBitField(layout.header, InterPyxWire::kLengthRemainder, length % 8);
}

}  // namespace corvel
