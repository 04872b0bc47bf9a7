// IPv4 (RFC 791): the header layout and the configuration.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The IPv4 protocol / IPv6 next header number of IPv4 carried inside IP.
inline constexpr uint8_t kIpProtocolIpv4 = 4;

// The 20-byte header without options. The IHL counts the header in 32-bit
// words, the total length counts header and data; the header checksum covers
// the header alone (see checksum.h).
struct Ipv4Wire {
  static constexpr int32_t kSize = 20;
  static constexpr int32_t kVersionNumber = 4;
  static constexpr int32_t kHeaderWords = kSize / 4;  // the IHL of a header without options
  static constexpr HeaderField kVersion = headerField(BitField{0, 7, 4}, "VER", "ver", FieldDisplay::Decimal);
  static constexpr HeaderField kHeaderLength =
      headerField(BitField{0, 3, 4}, "IHL", "hlen", FieldDisplay::Decimal);  // IHL
  static constexpr HeaderField kTypeOfService = headerField(byteField(1, 1), "TOS", "", FieldDisplay::Hex);
  static constexpr HeaderField kTotalLength = headerField(byteField(2, 2), "LEN", "", FieldDisplay::Decimal);
  static constexpr HeaderField kIdentification = headerField(byteField(4, 2), "ID", "", FieldDisplay::Decimal);
  static constexpr HeaderField kFlags = headerField(BitField{6, 7, 3}, "FLAGS", "", FieldDisplay::Hex);
  static constexpr HeaderField kFragmentOffset =
      headerField(BitField{6, 4, 13}, "FRAGMENT_OFFSET", "", FieldDisplay::Decimal);
  static constexpr HeaderField kTimeToLive = headerField(byteField(8, 1), "TTL", "ttl", FieldDisplay::Decimal);
  static constexpr HeaderField kProtocol = headerField(byteField(9, 1), "PRC", "protocol", FieldDisplay::Decimal);
  static constexpr HeaderField kChecksum = headerField(byteField(10, 2), "CHECKSUM", "", FieldDisplay::Hex);
  static constexpr HeaderField kSource =
      headerField(byteField(12, 4), "SRC_ADDR", "src_addr", FieldDisplay::DottedIpv4);
  static constexpr HeaderField kDestination =
      headerField(byteField(16, 4), "DEST_ADDR", "dest_addr", FieldDisplay::DottedIpv4);
};
static_assert(fieldEnd(Ipv4Wire::kDestination) == Ipv4Wire::kSize);

// The header fields of Ipv4 in header order, for look-ups by name or attribute.
inline constexpr HeaderField kIpv4Fields[] = {
    Ipv4Wire::kVersion,        Ipv4Wire::kHeaderLength, Ipv4Wire::kTypeOfService,  Ipv4Wire::kTotalLength,
    Ipv4Wire::kIdentification, Ipv4Wire::kFlags,        Ipv4Wire::kFragmentOffset, Ipv4Wire::kTimeToLive,
    Ipv4Wire::kProtocol,       Ipv4Wire::kChecksum,     Ipv4Wire::kSource,         Ipv4Wire::kDestination,
};

class IpV4ProtocolConfig : public ProtocolConfig {
 public:
  explicit IpV4ProtocolConfig(std::string_view headerHex);  // 40 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setVersion(int64_t value);       // 0..15
  void setHeaderLength(int64_t value);  // IHL: 0..15
  void setTotalLength(int64_t value);   // 0..65535
  void setTimeToLive(int64_t value);    // 0..255
  void setProtocol(int64_t value);      // 0..255
  // Address text: "0x" or "0X" and 8 hex digits (exactly 10 characters), or
  // dotted decimal. A "0x" text of any other length leaves the address as is.
  void setSourceAddress(std::string_view text);
  void setDestinationAddress(std::string_view text);

  uint32_t version() const;
  uint32_t headerLengthField() const;
  uint32_t totalLength() const;
  uint32_t timeToLive() const;
  uint32_t protocol() const;
  uint32_t checksum() const;
  uint32_t sourceAddress() const;       // host order value of bytes 12-15
  uint32_t destinationAddress() const;  // host order value of bytes 16-19

 private:
  void setAddress(const BitField &field, std::string_view text);
};

}  // namespace corvel
