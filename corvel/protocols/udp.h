// UDP (RFC 768): the header layout and the configuration.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The IPv4 protocol / IPv6 next header number of UDP.
inline constexpr uint8_t kIpProtocolUdp = 17;

// The 8-byte header, all fields 16-bit big-endian. The length counts header
// and data; the checksum covers a pseudo-header of the IP layer outside, the
// header and the data (see checksum.h).
struct UdpWire {
  static constexpr int32_t kSize = 8;
  static constexpr BitField kSourcePort = byteField(0, 2);
  static constexpr BitField kDestinationPort = byteField(2, 2);
  static constexpr BitField kLength = byteField(4, 2);
  static constexpr BitField kChecksum = byteField(6, 2);
};
static_assert(fieldEnd(UdpWire::kChecksum) == UdpWire::kSize);

class UdpProtocolConfig : public ProtocolConfig {
 public:
  explicit UdpProtocolConfig(std::string_view headerHex);  // 16 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

  void setSourcePort(int64_t value);       // 0..65535
  void setDestinationPort(int64_t value);  // 0..65535
  void setLength(int64_t value);           // 0..65535

  uint32_t sourcePort() const;
  uint32_t destinationPort() const;
  uint32_t length() const;
  uint32_t checksum() const;
};

}  // namespace corvel
