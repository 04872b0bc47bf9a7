// Ethernet II (IEEE 802.3 with an EtherType): the frame layout and the
// configuration.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// EtherTypes (IEEE 802 registry) of the layers we carry, and the tag
// protocol identifier that marks an IEEE 802.1Q tag in the EtherType place.
inline constexpr uint16_t kEtherTypeIpv4 = 0x0800;
inline constexpr uint16_t kEtherTypeIpv6 = 0x86DD;
inline constexpr uint16_t kEtherTypeVlan = 0x8100;

// The 14-byte header and the 4-byte frame check sequence that ends every
// frame: the IEEE 802.3 CRC-32 over header, payload and padding, least
// significant byte first (see crc32.h). A frame, FCS included, holds 64 to
// 1518 bytes; the tagged forms (vlan.h) keep the same bounds.
struct EthernetWire {
  static constexpr int32_t kSize = 14;
  static constexpr int32_t kFcsSize = 4;
  static constexpr int32_t kMinFrame = 64;
  static constexpr int32_t kMaxFrame = 1518;
  static constexpr HeaderField kDestination =
      headerField(byteField(0, 6), "DESTINATION", "dest_addr", FieldDisplay::Mac);
  static constexpr HeaderField kSource = headerField(byteField(6, 6), "SOURCE", "src_addr", FieldDisplay::Mac);
  static constexpr HeaderField kEtherType =
      headerField(byteField(12, 2), "PROTOCOL", "protocol_type", FieldDisplay::Hex);

  // Payload bounds of a frame whose header holds `headerSize` bytes.
  static constexpr int32_t minPayload(int32_t headerSize) { return kMinFrame - headerSize - kFcsSize; }
  static constexpr int32_t maxPayload(int32_t headerSize) { return kMaxFrame - headerSize - kFcsSize; }
};
static_assert(fieldEnd(EthernetWire::kEtherType) == EthernetWire::kSize);

// The header fields of Ethernet in header order, for look-ups by name or
// attribute.
inline constexpr HeaderField kEthernetFields[] = {
    EthernetWire::kDestination,
    EthernetWire::kSource,
    EthernetWire::kEtherType,
};

class EthernetProtocolConfig : public ProtocolConfig {
 public:
  // 28 and 8 hex digits.
  EthernetProtocolConfig(std::string_view headerHex, std::string_view trailerHex);
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  // 12, 12 and 4 hex digits.
  void setDestination(std::string_view hex);
  void setSource(std::string_view hex);
  void setProtocol(std::string_view hex);
  uint16_t protocol() const;
};

}  // namespace corvel
