#include "corvel/protocols/payload/pattern_payload.h"

#include <algorithm>

namespace corvel {

void PatternPayloadGenerator::fillPayload(std::span<uint8_t> bytes) const {
  if (_patternType != 2) {
    std::fill(bytes.begin(), bytes.end(), uint8_t{0xdd});
    return;
  }
  uint8_t counter = 1;
  for (uint8_t& b : bytes) {
    b = counter;
    counter = counter == 9 ? 0 : static_cast<uint8_t>(counter + 1);
  }
}

void PatternPayloadGenerator::fillPadding(std::span<uint8_t> bytes) const {
  if (_patternType != 2) {
    std::fill(bytes.begin(), bytes.end(), uint8_t{0xee});
    return;
  }
  uint8_t value = 0x0a;
  for (uint8_t& b : bytes) {
    b = value;
    value = value == 0x0e ? uint8_t{0x0a} : static_cast<uint8_t>(value + 1);
  }
}

void PatternPayloadGenerator::fillConstant(std::span<uint8_t> bytes) const {
  std::fill(bytes.begin(), bytes.end(), _patternType == 2 ? uint8_t{0x0f} : uint8_t{0xff});
}

}  // namespace corvel
