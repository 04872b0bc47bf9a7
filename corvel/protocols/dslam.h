// DSLAM configuration: 8-byte header = 4-byte DSLAM tag + ATM cell header.
//   byte 0 bit 7           PT (0..1)
//   PPN 11 bits: byte 2 bits 4-0 (high 5 bits), byte 3 bits 7-2 (low 6 bits)
//   byte 3 bits 1-0        PPT (1..3)
//   bytes 4-7              ATM cell header (see atm.h)
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class DSlamProtocolConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kHeaderSize = 8;
  static constexpr int32_t kCellHeaderOffset = 4;

  explicit DSlamProtocolConfig(std::string_view headerHex);  // 16 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

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
