// ATM cell header configuration (4 bytes, no HEC byte):
//   byte 0 bits 7-4  generic flow control (from the header text only)
//   VPI  8 bits: byte 0 bits 3-0, byte 1 bits 7-4
//   VCI 16 bits: byte 1 bits 3-0, byte 2, byte 3 bits 7-4
//   byte 3 bits 3-1  payload type (bit 1 marks the end of an AAL5 PDU)
//   byte 3 bit 0     CLP
// The same cell header sits inside the DSLAM header; the atm_cell helpers
// address it at any offset.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

namespace atm_cell {
constexpr int32_t kSize = 4;
constexpr BitField gfc(int32_t at) { return {at, 7, 4}; }
constexpr BitField vpi(int32_t at) { return {at, 3, 8}; }
constexpr BitField vci(int32_t at) { return {at + 1, 3, 16}; }
constexpr BitField endOfPdu(int32_t at) { return {at + 3, 1, 1}; }
constexpr BitField clp(int32_t at) { return {at + 3, 0, 1}; }

// Range-checked setters on the cell header at `at` inside `bytes`.
void setVpi(std::span<uint8_t> bytes, int32_t at, int64_t value);
void setVci(std::span<uint8_t> bytes, int32_t at, int64_t value);
void setEndOfPdu(std::span<uint8_t> bytes, int32_t at, int64_t value);
void setClp(std::span<uint8_t> bytes, int32_t at, int64_t value);
}  // namespace atm_cell

class AtmProtocolConfig : public ProtocolConfig {
 public:
  explicit AtmProtocolConfig(std::string_view headerHex);  // 8 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

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
