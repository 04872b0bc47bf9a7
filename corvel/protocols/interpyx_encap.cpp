#include "corvel/protocols/interpyx_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/interpyx.h"

namespace corvel {

namespace {
constexpr BitField kLengthUnits{2, 7, 13};
constexpr BitField kLengthRemainder{3, 2, 3};
}  // namespace

InterPyxEncapsulator::InterPyxEncapsulator(const InterPyxProtocolConfig& config)
    : DatalinkEncapsulator(ProtocolKind::InterPyx, enRoleFrame, config.headerBytes(), {}) {}

void InterPyxEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  const auto length = static_cast<uint64_t>(layout.payload.size() + layout.padding.size() + layout.trailer.size());
  writeBitField(layout.header, kLengthUnits, length / 8);
  writeBitField(layout.header, kLengthRemainder, length % 8);
}

}  // namespace corvel
