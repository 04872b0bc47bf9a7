// Ethernet II configuration: 14-byte header (destination 0-5, source 6-11,
// EtherType 12-13) and the 4-byte frame check sequence as trailer.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class EthernetProtocolConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kHeaderSize = 14;
  static constexpr int32_t kTrailerSize = 4;

  // 28 and 8 hex digits.
  EthernetProtocolConfig(std::string_view headerHex, std::string_view trailerHex);
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

  // 12, 12 and 4 hex digits.
  void setDestination(std::string_view hex);
  void setSource(std::string_view hex);
  void setProtocol(std::string_view hex);
  uint16_t protocol() const;
};

}  // namespace corvel
