// IPv6 (RFC 8200): the header layout and the configuration.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The IPv4 protocol / IPv6 next header number of IPv6 carried inside IP.
inline constexpr uint8_t kIpProtocolIpv6 = 41;

// The fixed 40-byte header. The traffic class straddles bytes 0 and 1; the
// payload length counts what follows the header.
struct Ipv6Wire {
  static constexpr int32_t kSize = 40;
  static constexpr int32_t kVersionNumber = 6;
  static constexpr BitField kVersion{0, 7, 4};
  static constexpr BitField kTrafficClass{0, 3, 8};
  static constexpr BitField kFlowLabel{1, 3, 20};
  static constexpr BitField kPayloadLength = byteField(4, 2);
  static constexpr BitField kNextHeader = byteField(6, 1);
  static constexpr BitField kHopLimit = byteField(7, 1);
  static constexpr BitField kSource = byteField(8, 16);
  static constexpr BitField kDestination = byteField(24, 16);
};
static_assert(fieldEnd(Ipv6Wire::kDestination) == Ipv6Wire::kSize);

class IpV6ProtocolConfig : public ProtocolConfig {
 public:
  explicit IpV6ProtocolConfig(std::string_view headerHex);  // 80 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

  void setVersion(int64_t value);        // 0..15
  void setTrafficClass(int64_t value);   // 0..255
  // 0..1048575. The reader says whether it is building a mask; the accepted
  // range is the same either way.
  void setFlowLabel(int64_t value, bool forMask = false);
  void setPayloadLength(int64_t value);  // 0..65535
  void setNextHeader(int64_t value);     // 0..255
  void setHopLimit(int64_t value);       // 0..255
  void setSourceAddress(std::string_view hex);       // 32 hex digits
  void setDestinationAddress(std::string_view hex);  // 32 hex digits

  uint32_t version() const;
  uint32_t trafficClass() const;
  uint32_t flowLabel() const;
  uint32_t payloadLength() const;
  uint32_t nextHeader() const;
  uint32_t hopLimit() const;
};

}  // namespace corvel
