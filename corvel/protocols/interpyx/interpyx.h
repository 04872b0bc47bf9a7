// InterPyx frames between processors: the header layout and the
// configuration.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The 8-byte header: flags CI, AI, MI, the cell type CT (1, 2 or 4), CLP,
// priority PRI, ST, the frame length L (what follows the header) and the
// source and destination. L is written as L / 8 in 13 bits and L mod 8 in the
// next 3, so bytes 2-3 hold L big-endian.
struct InterPyxWire {
  static constexpr int32_t kSize = 8;
  static constexpr HeaderField kCi = headerField(BitField{0, 7, 1}, "CI", "ci", FieldDisplay::Decimal);
  static constexpr HeaderField kAi = headerField(BitField{0, 6, 1}, "AI", "ai", FieldDisplay::Decimal);
  static constexpr HeaderField kMi = headerField(BitField{0, 5, 1}, "MI", "mi", FieldDisplay::Decimal);
  static constexpr HeaderField kCt = headerField(BitField{0, 4, 3}, "CT", "ct", FieldDisplay::Decimal);
  static constexpr HeaderField kClp = headerField(BitField{0, 1, 1}, "CLP", "clp", FieldDisplay::Decimal);
  static constexpr HeaderField kPri = headerField(BitField{0, 0, 5}, "PRI", "pri", FieldDisplay::Decimal);
  static constexpr HeaderField kSt = headerField(BitField{1, 3, 4}, "ST", "st", FieldDisplay::Decimal);
  static constexpr HeaderField kLengthUnits = headerField(BitField{2, 7, 13}, "LEN_UNITS", "", FieldDisplay::Decimal);
  static constexpr HeaderField kLengthRemainder =
      headerField(BitField{3, 2, 3}, "LEN_REMAINDER", "", FieldDisplay::Decimal);
  static constexpr HeaderField kFrameLength = headerField(byteField(2, 2), "LEN", "", FieldDisplay::Decimal);
  static constexpr HeaderField kSource = headerField(byteField(4, 2), "SRC", "src", FieldDisplay::Decimal);
  static constexpr HeaderField kDestination = headerField(byteField(6, 2), "DEST", "dest", FieldDisplay::Decimal);
};
static_assert(fieldEnd(InterPyxWire::kDestination) == InterPyxWire::kSize);

// The header fields of InterPyx in header order, for look-ups by name or
// attribute.
inline constexpr HeaderField kInterPyxFields[] = {
    InterPyxWire::kCi,          InterPyxWire::kAi,          InterPyxWire::kMi,
    InterPyxWire::kCt,          InterPyxWire::kClp,         InterPyxWire::kPri,
    InterPyxWire::kSt,          InterPyxWire::kLengthUnits, InterPyxWire::kLengthRemainder,
    InterPyxWire::kFrameLength, InterPyxWire::kSource,      InterPyxWire::kDestination,
};

class InterPyxProtocolConfig : public ProtocolConfig {
 public:
  explicit InterPyxProtocolConfig(std::string_view headerHex);  // 16 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setCi(int64_t value);               // 0..1
  void setAi(int64_t value);               // 0..1
  void setMi(int64_t value);               // 0..1
  void setCt(int64_t value);               // 1, 2 or 4
  void setClp(int64_t value);              // 0..1
  void setPri(int64_t value);              // 0..31
  void setSt(int64_t value);               // 0..15
  void setLengthUnits(int64_t value);      // 0..8191, the frame length / 8
  void setLengthRemainder(int64_t value);  // 0..7, the frame length mod 8
  void setSource(int64_t value);           // 0..65535
  void setDestination(int64_t value);      // 0..65535

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
