// InterPyx frames between processors: the configured 8-byte header with the
// frame length L (payload + padding + trailer) computed: L / 8 in the 13-bit
// field and L mod 8 in the 3-bit field, i.e. L big-endian (interpyx.h).
#pragma once

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class InterPyxProtocolConfig;

class InterPyxEncapsulator : public DatalinkEncapsulator {
 public:
  explicit InterPyxEncapsulator(const InterPyxProtocolConfig& config);
  double maxPayload() const override { return 8191; }
  void encapsulate(std::span<uint8_t> layer) override;
};

}  // namespace corvel
