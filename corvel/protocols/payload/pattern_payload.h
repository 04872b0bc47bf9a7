// Payload generators fill the payload bytes of a PDU and the padding bytes of
// every layer. They run per PDU: no allocation, no formatting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvel {

class PayloadGenerator {
 public:
  virtual ~PayloadGenerator() = default;
  virtual void fillPayload(std::span<uint8_t> bytes) const = 0;
  virtual void fillPadding(std::span<uint8_t> bytes) const = 0;
  virtual void fillConstant(std::span<uint8_t> bytes) const = 0;
};

// Pattern 2: payload 1, 2, ..., 9, 0, 1, ...; padding 0x0A..0x0E repeating;
// constant 0x0F. Any other pattern: payload 0xDD, padding 0xEE, constant 0xFF.
// Every fill starts its sequence afresh.
class PatternPayloadGenerator : public PayloadGenerator {
 public:
  explicit PatternPayloadGenerator(int32_t patternType) : _patternType(patternType) {}
  int32_t patternType() const { return _patternType; }

  void fillPayload(std::span<uint8_t> bytes) const override;
  // The byte fillPayload writes at `offset` of a payload.
  static uint8_t payloadByte(int32_t patternType, size_t offset) noexcept {
    return patternType == 2 ? static_cast<uint8_t>((offset + 1) % 10) : uint8_t{0xdd};
  }
  void fillPadding(std::span<uint8_t> bytes) const override;
  void fillConstant(std::span<uint8_t> bytes) const override;

 private:
  int32_t _patternType;
};

}  // namespace corvel
