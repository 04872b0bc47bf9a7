// AAL5 CPCS-PDUs (ITU-T I.363.5) with an LLC/SNAP header (RFC 2684): the
// layouts and the configurations of the routed and the bridged 802.3 form.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The routed form's 8-byte LLC/SNAP header (LLC, OUI, PID or EtherType) and
// the 8-byte CPCS trailer both forms end with. The trailer's length counts
// the bytes before the padding; its CRC-32 covers everything before the CRC
// field, most significant bit first, stored big-endian (see crc32.h). The
// whole PDU fills a whole number of 48-byte cell payloads.
struct Aal5Wire {
  static constexpr int32_t kSize = 8;
  static constexpr BitField kLlc = byteField(0, 3);
  static constexpr BitField kOui = byteField(3, 3);
  static constexpr BitField kPid = byteField(6, 2);

  static constexpr int32_t kTrailerSize = 8;
  // Fields of the trailer, counted from its first byte.
  static constexpr BitField kUu = byteField(0, 1);
  static constexpr BitField kCpi = byteField(1, 1);
  static constexpr BitField kLength = byteField(2, 2);
  static constexpr BitField kCrc = byteField(4, 4);
};

// The bridged 802.3 form: the routed header followed by a 2-byte PAD before
// the carried Ethernet frame.
struct Aal58023Wire : Aal5Wire {
  static constexpr int32_t kSize = 10;
  static constexpr BitField kPad = byteField(8, 2);
};
static_assert(fieldEnd(Aal5Wire::kPid) == Aal5Wire::kSize);
static_assert(fieldEnd(Aal58023Wire::kPad) == Aal58023Wire::kSize);
static_assert(fieldEnd(Aal5Wire::kCrc) == Aal5Wire::kTrailerSize);

// The LLC/SNAP setters shared by both AAL5 forms.
class Aal5LlcSnapConfig : public ProtocolConfig {
 public:
  void setLlc(std::string_view hex);  // 6 hex digits
  void setOui(std::string_view hex);  // 6 hex digits
  void setPid(std::string_view hex);  // 4 hex digits (PID or EtherType)

 protected:
  using ProtocolConfig::ProtocolConfig;
};

class AAL5ProtocolConfig : public Aal5LlcSnapConfig {
 public:
  AAL5ProtocolConfig(std::string_view headerHex, std::string_view trailerHex);  // 16 and 16 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;
};

class AAL58023ProtocolConfig : public Aal5LlcSnapConfig {
 public:
  AAL58023ProtocolConfig(std::string_view headerHex, std::string_view trailerHex);  // 20 and 16 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

  void setPad(std::string_view hex);  // 4 hex digits
};

}  // namespace corvel
