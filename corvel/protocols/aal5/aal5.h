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
  static constexpr HeaderField kLlc = headerField(byteField(0, 3), "LLC", "llc", FieldDisplay::Hex);
  static constexpr HeaderField kOui = headerField(byteField(3, 3), "OUI", "oui", FieldDisplay::Hex);
  static constexpr HeaderField kPid = headerField(byteField(6, 2), "PID", "et", FieldDisplay::Hex);

  static constexpr int32_t kTrailerSize = 8;
  // Fields of the trailer, counted from its first byte.
  static constexpr HeaderField kUu = headerField(byteField(0, 1), "UU", "", FieldDisplay::Hex);
  static constexpr HeaderField kCpi = headerField(byteField(1, 1), "CPI", "", FieldDisplay::Hex);
  static constexpr HeaderField kLength = headerField(byteField(2, 2), "LENGTH", "", FieldDisplay::Decimal);
  static constexpr HeaderField kCrc = headerField(byteField(4, 4), "CRC", "", FieldDisplay::Hex);
};

// The header fields of Aal5 in header order, for look-ups by name or attribute.
inline constexpr HeaderField kAal5Fields[] = {
    Aal5Wire::kLlc,
    Aal5Wire::kOui,
    Aal5Wire::kPid,
};

// The bridged 802.3 form: the routed header followed by a 2-byte PAD before
// the carried Ethernet frame.
struct Aal58023Wire : Aal5Wire {
  static constexpr int32_t kSize = 10;
  static constexpr HeaderField kPid = headerField(Aal5Wire::kPid, "PID", "pid", FieldDisplay::Hex);
  static constexpr HeaderField kPad = headerField(byteField(8, 2), "PAD", "pad", FieldDisplay::Hex);
};
static_assert(fieldEnd(Aal5Wire::kPid) == Aal5Wire::kSize);
static_assert(fieldEnd(Aal58023Wire::kPad) == Aal58023Wire::kSize);
static_assert(fieldEnd(Aal5Wire::kCrc) == Aal5Wire::kTrailerSize);

// The header fields of Aal58023 in header order, for look-ups by name or
// attribute.
inline constexpr HeaderField kAal58023Fields[] = {
    Aal58023Wire::kLlc,
    Aal58023Wire::kOui,
    Aal58023Wire::kPid,
    Aal58023Wire::kPad,
};

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
  AAL5ProtocolConfig(std::string_view headerHex,
                     std::string_view trailerHex);  // 16 and 16 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;
};

class AAL58023ProtocolConfig : public Aal5LlcSnapConfig {
 public:
  AAL58023ProtocolConfig(std::string_view headerHex,
                         std::string_view trailerHex);  // 20 and 16 digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setPad(std::string_view hex);  // 4 hex digits
};

}  // namespace corvel
