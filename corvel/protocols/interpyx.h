// InterPyx (inter-processor) configuration: 8-byte header.
//   byte 0 bit 7 CI, bit 6 AI, bit 5 MI, bits 4-2 CT (1, 2 or 4), bit 1 CLP
//   PRI 5 bits: byte 0 bit 0, byte 1 bits 7-4;  ST: byte 1 bits 3-0
//   frame length L: byte 2 and byte 3 bits 7-3 hold L / 8 (13 bits),
//   byte 3 bits 2-0 hold L mod 8, so bytes 2-3 are L big-endian
//   bytes 4-5 source, bytes 6-7 destination
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class InterPyxProtocolConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kHeaderSize = 8;

  explicit InterPyxProtocolConfig(std::string_view headerHex);  // 16 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

  void setCi(int64_t value);              // 0..1
  void setAi(int64_t value);              // 0..1
  void setMi(int64_t value);              // 0..1
  void setCt(int64_t value);              // 1, 2 or 4
  void setClp(int64_t value);             // 0..1
  void setPri(int64_t value);             // 0..31
  void setSt(int64_t value);              // 0..15
  void setLengthUnits(int64_t value);     // 0..8191, the frame length / 8
  void setLengthRemainder(int64_t value); // 0..7, the frame length mod 8
  void setSource(int64_t value);          // 0..65535
  void setDestination(int64_t value);     // 0..65535

  uint32_t ci() const;
  uint32_t ai() const;
  uint32_t mi() const;
  uint32_t ct() const;
  uint32_t clp() const;
  uint32_t pri() const;
  uint32_t st() const;
  uint32_t lengthUnits() const;
  uint32_t lengthRemainder() const;
  uint32_t frameLength() const;  // bytes 2-3
  uint32_t source() const;
  uint32_t destination() const;
};

}  // namespace corvel
