// The verifier of a captured PDU's RTP layer (RFC 3550).
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class RtpDecapsulator : public Decapsulator {
 public:
  explicit RtpDecapsulator(const ProtocolConfig& config);
  int32_t verify(ByteView layer, VerifyContext& context) override;
};

}  // namespace corvel
