// ATM cells: a 4-byte cell header (no HEC) and 48 payload bytes. An AAL5 PDU
// is cut into as many cells as it needs, the payload-type end-of-PDU bit set
// on the last cell only; any other payload fits one cell, padded with zeros.
#pragma once

#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/encapsulator.h"

namespace corvel {

class AtmEncapsulator : public DatalinkEncapsulator {
 public:
  explicit AtmEncapsulator(const AtmProtocolConfig& config);
  double maxPayload() const override { return AtmWire::kPayloadSize; }
  double minPayload() const override { return AtmWire::kPayloadSize; }
  int32_t sizeUnit() const override { return AtmWire::kCellSize; }
  bool allowsFragmentationOf(ProtocolKind innerKind) const override;
  void encapsulate(std::span<uint8_t> layer) override;
  void encapsulateFragment(std::span<uint8_t> frame, int32_t index, int32_t count) override;
};

}  // namespace corvel
