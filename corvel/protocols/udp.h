// UDP configuration: 8-byte header, all fields 16-bit big-endian:
// source port 0-1, destination port 2-3, length 4-5, checksum 6-7.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class UdpProtocolConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kHeaderSize = 8;

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
