#include "corvel/protocols/hex_text.h"

namespace corvel {

bool hexToBytes(std::span<uint8_t> output, std::string_view text) {
  if (text.size() != output.size() * 2) return false;
  for (size_t i = 0; i < output.size(); ++i) {
    const int high = hexDigitValue(text[2 * i]);
    const int low = hexDigitValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    output[i] = static_cast<uint8_t>((high << 4) | low);
  }
  return true;
}

std::string bytesToHex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0f]);
  }
  return text;
}

}  // namespace corvel
