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
  static constexpr HeaderField kSourcePort = headerField(byteField(0, 2), "SOURCE", "src_port", FieldDisplay::Decimal);
  static constexpr HeaderField kDestinationPort =
      headerField(byteField(2, 2), "DESTINATION", "dest_port", FieldDisplay::Decimal);
  static constexpr HeaderField kLength = headerField(byteField(4, 2), "LENGTH", "", FieldDisplay::Decimal);
  static constexpr HeaderField kChecksum = headerField(byteField(6, 2), "CHECKSUM", "", FieldDisplay::Hex);
};
static_assert(fieldEnd(UdpWire::kChecksum) == UdpWire::kSize);

// The header fields of Udp in header order, for look-ups by name or attribute.
inline constexpr HeaderField kUdpFields[] = {
    UdpWire::kSourcePort,
    UdpWire::kDestinationPort,
    UdpWire::kLength,
    UdpWire::kChecksum,
};

class UdpProtocolConfig : public ProtocolConfig {
 public:
  explicit UdpProtocolConfig(std::string_view headerHex);  // 16 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setSourcePort(int64_t value);       // 0..65535
  void setDestinationPort(int64_t value);  // 0..65535
  void setLength(int64_t value);           // 0..65535

  uint32_t sourcePort() const;
  uint32_t destinationPort() const;
  uint32_t length() const;
  uint32_t checksum() const;
};

}  // namespace corvel
