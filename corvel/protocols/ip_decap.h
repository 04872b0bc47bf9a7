// Verifiers of the IP layers of a captured PDU: IPv4 (RFC 791) and IPv6
// (RFC 8200). Both hand the addresses on for the transport checksum.
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

// The layer an IP protocol / next-header number names.
std::optional<ProtocolKind> ipPayloadKind(uint64_t protocol);
// The IP protocol / next-header number of a layer; nothing for one without.
std::optional<uint64_t> ipProtocolNumber(ProtocolKind kind);

}  // namespace corvel
