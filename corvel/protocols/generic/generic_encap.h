// Generic layers: arbitrary configured header and trailer bytes around the
// inner PDU, padding (if any) from the payload generator; nothing computed.
// A generic layer may be an inner layer or the datalink layer of a stream.
#pragma once

#include <cstdint>
#include <span>

#include "corvel/protocols/encapsulator.h"

namespace corvel {

class GenericProtocolConfig;

class GenericEncapsulator : public DatalinkEncapsulator {
 public:
  explicit GenericEncapsulator(const GenericProtocolConfig& config);
  GenericEncapsulator(std::span<const uint8_t> header, std::span<const uint8_t> trailer);
  double maxPayload() const override { return 65535; }
  void encapsulate(std::span<uint8_t> layer) override;
};

}  // namespace corvel
