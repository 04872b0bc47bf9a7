// TCP configuration: a fixed 20-byte header without options.
//   0-1 source port, 2-3 destination port, 4-7 sequence number,
//   8-11 acknowledgement number, 12 data offset (high 4 bits) and reserved
//   bits, 13 flags, 14-15 window, 16-17 checksum, 18-19 urgent pointer.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class TcpProtocolConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kHeaderSize = 20;

  explicit TcpProtocolConfig(std::string_view headerHex);  // 40 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

  void setSourcePort(int64_t value);       // 0..65535
  void setDestinationPort(int64_t value);  // 0..65535
  // Header length in bytes; its quarter (truncated) goes into the data offset
  // and must be 0..15. The low 4 bits of byte 12 are kept.
  void setHeaderLength(int64_t bytes);

  uint32_t sourcePort() const;
  uint32_t destinationPort() const;
  uint32_t dataOffset() const;  // in 32-bit words
  uint32_t checksum() const;
};

}  // namespace corvel
