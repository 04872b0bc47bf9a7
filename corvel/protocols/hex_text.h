// Hex text: two hexadecimal digits per byte, high nibble first; digits 0-9,
// a-f and A-F. Every header and trailer of a TCS file is written this way.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvel {

// Value 0..15 of a hex digit, -1 for any other character.
constexpr int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Converts `text` into `output`, which must hold exactly text.size() / 2
// bytes. Returns false (and leaves `output` in an unspecified state) when a
// character is not a hex digit or the sizes do not match. Callers check the
// text's length against their own rule first, then convert.
bool hexToBytes(std::span<uint8_t> output, std::string_view text);

// Lower-case hex text of `bytes`, two digits per byte, no separators.
std::string bytesToHex(std::span<const uint8_t> bytes);

}  // namespace corvel
