// The verifier of a captured PDU's IPv6 layer (RFC 8200). It hands the
// addresses on for the transport checksum.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

// Extension headers in front of the upper layer are walked (ipv6_extensions.h).
class IpV6Decapsulator : public Decapsulator {
 public:
  explicit IpV6Decapsulator(const ProtocolConfig& config);
  std::optional<ProtocolKind> serviceAccessProtocol(ByteView layer) const override;
  int32_t verify(ByteView layer, VerifyContext& context) override;
  // The next header of the fixed header only; one naming an extension header
  // is left to the walk.
  void checkInnerNamed(ByteView layer, ProtocolKind inner) const override;

 private:
  bool walksExtensions(uint64_t nextHeader) const;
  uint64_t _ownNextHeader;
};

}  // namespace corvel
