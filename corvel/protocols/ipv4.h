// IPv4 configuration: a fixed 20-byte header without options.
//   byte 0 version (high 4 bits) and IHL (low 4 bits), byte 1 type of service,
//   2-3 total length, 4-5 identification, 6-7 flags and fragment offset,
//   8 time to live, 9 protocol, 10-11 header checksum, 12-15 source address,
//   16-19 destination address.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class IpV4ProtocolConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kHeaderSize = 20;

  explicit IpV4ProtocolConfig(std::string_view headerHex);  // 40 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

  void setVersion(int64_t value);              // 0..15
  void setHeaderLength(int64_t value);         // IHL: 0..15
  void setTotalLength(int64_t value);          // 0..65535
  void setTimeToLive(int64_t value);           // 0..255
  void setProtocol(int64_t value);             // 0..255
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
  void setAddress(int32_t offset, std::string_view text);
};

}  // namespace corvel
