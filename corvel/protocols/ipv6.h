// IPv6 configuration: fixed 40-byte header.
//   version byte 0 bits 7-4; traffic class byte 0 bits 3-0 and byte 1 bits 7-4;
//   flow label 20 bits from byte 1 bit 3; payload length 4-5; next header 6;
//   hop limit 7; source address 8-23; destination address 24-39.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class IpV6ProtocolConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kHeaderSize = 40;

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
