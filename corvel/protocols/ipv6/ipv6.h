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
  static constexpr HeaderField kVersion = headerField(BitField{0, 7, 4}, "VER", "version", FieldDisplay::Decimal);
  static constexpr HeaderField kTrafficClass = headerField(BitField{0, 3, 8}, "TC", "class", FieldDisplay::Decimal);
  static constexpr HeaderField kFlowLabel = headerField(BitField{1, 3, 20}, "FL", "flow_label", FieldDisplay::Decimal);
  static constexpr HeaderField kPayloadLength = headerField(byteField(4, 2), "LEN", "", FieldDisplay::Decimal);
  static constexpr HeaderField kNextHeader = headerField(byteField(6, 1), "NH", "next_header", FieldDisplay::Decimal);
  static constexpr HeaderField kHopLimit = headerField(byteField(7, 1), "HL", "hop_limit", FieldDisplay::Decimal);
  static constexpr HeaderField kSource =
      headerField(byteField(8, 16), "SRC_ADDR", "source_addr", FieldDisplay::Ipv6Text);
  static constexpr HeaderField kDestination =
      headerField(byteField(24, 16), "DEST_ADDR", "dest_addr", FieldDisplay::Ipv6Text);
};
static_assert(fieldEnd(Ipv6Wire::kDestination) == Ipv6Wire::kSize);

// The header fields of Ipv6 in header order, for look-ups by name or attribute.
inline constexpr HeaderField kIpv6Fields[] = {
    Ipv6Wire::kVersion,    Ipv6Wire::kTrafficClass, Ipv6Wire::kFlowLabel, Ipv6Wire::kPayloadLength,
    Ipv6Wire::kNextHeader, Ipv6Wire::kHopLimit,     Ipv6Wire::kSource,    Ipv6Wire::kDestination,
};

class IpV6ProtocolConfig : public ProtocolConfig {
 public:
  explicit IpV6ProtocolConfig(std::string_view headerHex);  // 80 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setVersion(int64_t value);       // 0..15
  void setTrafficClass(int64_t value);  // 0..255
  // 0..1048575. The reader says whether it is building a mask; the accepted
  // range is the same either way.
  void setFlowLabel(int64_t value, bool forMask = false);
  void setPayloadLength(int64_t value);              // 0..65535
  void setNextHeader(int64_t value);                 // 0..255
  void setHopLimit(int64_t value);                   // 0..255
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
