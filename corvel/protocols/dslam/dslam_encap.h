// DSLAM cells: a 4-byte DSLAM tag and an ATM cell header, then 48 payload
// bytes. AAL5 and AAL5 802.3 PDUs are cut into cells with the end-of-PDU bit
// of the embedded cell header set on the last one; a payload fits one cell.
#pragma once

#include "corvel/protocols/dslam/dslam.h"
#include "corvel/protocols/encapsulator.h"

namespace corvel {

class DSlamEncapsulator : public DatalinkEncapsulator {
 public:
  explicit DSlamEncapsulator(const DSlamProtocolConfig& config);
  double maxPayload() const override { return AtmWire::kPayloadSize; }
  double minPayload() const override { return AtmWire::kPayloadSize; }
  int32_t sizeUnit() const override { return DSlamWire::kCellSize; }
  bool allowsFragmentationOf(ProtocolKind innerKind) const override;
  void encapsulate(std::span<uint8_t> layer) override;
  void encapsulateFragment(std::span<uint8_t> frame, int32_t index, int32_t count) override;
};

}  // namespace corvel
