#include "corvel/protocols/dslam/dslam_encap.h"

#include "corvel/protocols/dslam/dslam.h"

namespace corvel {

DSlamEncapsulator::DSlamEncapsulator(const DSlamProtocolConfig& config)
    : DatalinkEncapsulator(ProtocolKind::DSlam, enRoleCell, config.headerBytes(), {}) {}

bool DSlamEncapsulator::allowsFragmentationOf(ProtocolKind innerKind) const {
  return innerKind == ProtocolKind::AAL5 || innerKind == ProtocolKind::AAL58023;
}

void DSlamEncapsulator::encapsulate(std::span<uint8_t> layer) { copyHeader(split(layer)); }

void DSlamEncapsulator::encapsulateFragment(std::span<uint8_t> frame, int32_t index, int32_t count) {
  encapsulate(frame);
  writeBitField(frame, DSlamWire::kEndOfPdu, index == count ? 1 : 0);
}

}  // namespace corvel
