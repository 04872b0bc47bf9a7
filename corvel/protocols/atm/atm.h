// ATM cells (ITU-T I.361, UNI cell header): the cell layout and the
// configuration of the cell header.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The 4-byte cell header as it travels here (the HEC byte is left out) and
// the 48-byte cell payload. The GFC comes from the header text only. The same
// cell header sits inside the DSLAM header (dslam.h).
struct AtmWire {
  static constexpr int32_t kSize = 4;
  static constexpr int32_t kPayloadSize = 48;
  static constexpr int32_t kCellSize = kSize + kPayloadSize;
  static constexpr HeaderField kGfc = headerField(BitField{0, 7, 4}, "GFC", "", FieldDisplay::Decimal);
  static constexpr HeaderField kVpi = headerField(BitField{0, 3, 8}, "VPI", "vpi", FieldDisplay::Decimal);
  static constexpr HeaderField kVci = headerField(BitField{1, 3, 16}, "VCI", "vci", FieldDisplay::Decimal);
  static constexpr HeaderField kPti = headerField(BitField{3, 3, 3}, "PTI", "", FieldDisplay::Decimal);
  // The low payload-type bit of a user data cell (ATM-user-to-ATM-user
  // indication): set on the last cell of an AAL5 CPCS-PDU.
  static constexpr HeaderField kEndOfPdu = headerField(BitField{3, 1, 1}, "PTI_EOP", "", FieldDisplay::Decimal);
  static constexpr HeaderField kClp = headerField(BitField{3, 0, 1}, "CLP", "", FieldDisplay::Decimal);
};
static_assert(fieldEnd(AtmWire::kClp) == AtmWire::kSize);

// The header fields of Atm in header order, for look-ups by name or attribute.
inline constexpr HeaderField kAtmFields[] = {
    AtmWire::kGfc, AtmWire::kVpi, AtmWire::kVci, AtmWire::kPti, AtmWire::kEndOfPdu, AtmWire::kClp,
};

// Range messages of the cell header fields, shared with the DSLAM header.
namespace atm_cell {
inline constexpr const char *kVpiRange = "value exceeds vpi range";
inline constexpr const char *kVciRange = "value exceeds vci range";
inline constexpr const char *kPtiRange = "value exceeds pti range";
inline constexpr const char *kClpRange = "value exceeds clp range";
}  // namespace atm_cell

class AtmProtocolConfig : public ProtocolConfig {
 public:
  explicit AtmProtocolConfig(std::string_view headerHex);  // 8 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setVpi(int64_t value);  // 0..255
  void setVci(int64_t value);  // 0..65535
  void setPti(int64_t value);  // end-of-PDU bit, 0..1
  void setClp(int64_t value);  // 0..1

  uint32_t vpi() const;
  uint32_t vci() const;
  uint32_t pti() const;
  uint32_t clp() const;

  // Prints the header bytes, VPI and VCI on the console.
  void dump() const;
};

}  // namespace corvel
