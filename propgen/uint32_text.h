// Reading the value text of a uint32 property.
#pragma once

#include <cstdint>
#include <string_view>

namespace propgen {

enum Uint32TextStatus {
  enUint32TextValid,
  enUint32TextNotNumber,   // empty, or not decimal digits / 0x hex digits
  enUint32TextOutOfRange,  // a number, but above 4294967295
};

struct Uint32Text {
  Uint32TextStatus status;
  std::uint32_t value;  // 0 unless status is enUint32TextValid
};

// Accepts decimal digits, or "0x" / "0X" followed by at least one hex digit.
// Leading zeros are allowed in both forms.
Uint32Text parseUint32Text(std::string_view text);

}  // namespace propgen
