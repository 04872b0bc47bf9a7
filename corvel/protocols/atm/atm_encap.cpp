#include "corvel/protocols/atm/atm_encap.h"

#include "corvel/protocols/atm/atm.h"

namespace corvel {

AtmEncapsulator::AtmEncapsulator(const AtmProtocolConfig& config)
    : DatalinkEncapsulator(ProtocolKind::Atm, enRoleCell, config.headerBytes(), {}) {}

bool AtmEncapsulator::allowsFragmentationOf(ProtocolKind innerKind) const {
  return innerKind == ProtocolKind::AAL5;
}

// Padding bytes stay zero.
void AtmEncapsulator::encapsulate(std::span<uint8_t> layer) { copyHeader(split(layer)); }

void AtmEncapsulator::encapsulateFragment(std::span<uint8_t> frame, int32_t index, int32_t count) {
  encapsulate(frame);
  writeBitField(frame, AtmWire::kEndOfPdu, index == count ? 1 : 0);
}

}  // namespace corvel
