// DSLAM cells: the header layout and the configuration.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The 8-byte header: a 4-byte DSLAM tag (PT, physical port number PPN,
// physical port type PPT) followed by the ATM cell header of atm.h, whose
// fields are named here at their place in this header. 48 payload bytes
// follow, as in an ATM cell.
struct DSlamWire {
  static constexpr int32_t kSize = 8;
  static constexpr int32_t kCellHeaderAt = 4;
  static constexpr int32_t kCellSize = kSize + AtmWire::kPayloadSize;
  static constexpr HeaderField kPt = headerField(BitField{0, 7, 1}, "PT", "pt", FieldDisplay::Decimal);
  static constexpr HeaderField kPpn = headerField(BitField{2, 4, 11}, "PPN", "ppn", FieldDisplay::Decimal);
  static constexpr HeaderField kPpt = headerField(BitField{3, 1, 2}, "PPT", "ppt", FieldDisplay::Decimal);
  static constexpr HeaderField kGfc =
      headerField(offsetField(AtmWire::kGfc, kCellHeaderAt), "GFC", "", FieldDisplay::Decimal);
  static constexpr HeaderField kVpi =
      headerField(offsetField(AtmWire::kVpi, kCellHeaderAt), "VPI", "vpi", FieldDisplay::Decimal);
  static constexpr HeaderField kVci =
      headerField(offsetField(AtmWire::kVci, kCellHeaderAt), "VCI", "vci", FieldDisplay::Decimal);
  static constexpr HeaderField kPti =
      headerField(offsetField(AtmWire::kPti, kCellHeaderAt), "PTI", "", FieldDisplay::Decimal);
  static constexpr HeaderField kEndOfPdu =
      headerField(offsetField(AtmWire::kEndOfPdu, kCellHeaderAt), "PTI_EOP", "pti", FieldDisplay::Decimal);
  static constexpr HeaderField kClp =
      headerField(offsetField(AtmWire::kClp, kCellHeaderAt), "CLP", "clp", FieldDisplay::Decimal);
};
static_assert(fieldEnd(DSlamWire::kClp) == DSlamWire::kSize);

// The header fields of DSlam in header order, for look-ups by name or
// attribute.
inline constexpr HeaderField kDSlamFields[] = {
    DSlamWire::kPt,  DSlamWire::kPpn, DSlamWire::kPpt,      DSlamWire::kGfc, DSlamWire::kVpi,
    DSlamWire::kVci, DSlamWire::kPti, DSlamWire::kEndOfPdu, DSlamWire::kClp,
};

class DSlamProtocolConfig : public ProtocolConfig {
 public:
  explicit DSlamProtocolConfig(std::string_view headerHex);  // 16 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setPt(int64_t value);   // 0..1
  void setPpn(int64_t value);  // 0..2047
  void setPpt(int64_t value);  // 1, 2 or 3
  // Forwarded to the embedded ATM cell header.
  void setVpi(int64_t value);
  void setVci(int64_t value);
  void setPti(int64_t value);
  void setClp(int64_t value);

  uint32_t pt() const;
  uint32_t ppn() const;
  uint32_t ppt() const;
  uint32_t vpi() const;
  uint32_t vci() const;
  uint32_t pti() const;
  uint32_t clp() const;

  // Prints the header bytes, VPI and VCI on the console.
  void dump() const;
};

}  // namespace corvel
