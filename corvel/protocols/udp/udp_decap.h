// The verifier of a captured PDU's UDP layer (RFC 768). The checksum is
// recomputed with the pseudo-header of the IP layer just outside.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class UdpDecapsulator : public Decapsulator {
 public:
  explicit UdpDecapsulator(const ProtocolConfig& config);
  int32_t verify(ByteView layer, VerifyContext& context) override;
};

}  // namespace corvel
