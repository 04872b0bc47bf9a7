// The verifier of a captured PDU's IPv4 layer (RFC 791). It hands the
// addresses on for the transport checksum.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class IpV4Decapsulator : public Decapsulator {
 public:
  explicit IpV4Decapsulator(const ProtocolConfig& config);
  std::optional<ProtocolKind> serviceAccessProtocol(ByteView layer) const override;
  int32_t verify(ByteView layer, VerifyContext& context) override;
  void checkInnerNamed(ByteView layer, ProtocolKind inner) const override;
};

}  // namespace corvel
