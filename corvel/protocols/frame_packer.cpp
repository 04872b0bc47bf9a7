#include "corvel/protocols/frame_packer.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "corvel/base/print_utility.h"
#include "corvel/protocols/hex_text.h"

namespace corvel {

namespace {

// No layer can carry a header wider than the largest IP datagram; a larger
// request (a corrupt declaration) is refused like a failed allocation.
constexpr int32_t kMaxPackerBits = 65535 * 8;


int highestBit(int value) {
  int bits = 0;
  while (value > 0) {
    ++bits;
    value >>= 1;
  }
  return bits;
}

}  // namespace

int32_t significantBits(std::string_view value) {
  const size_t first = value.find_first_not_of('0');
  if (first == std::string_view::npos) return 0;
  const size_t rest = value.size() - first - 1;
  const int lead = std::max(hexDigitValue(value[first]), 0);
  const uint64_t bits = highestBit(lead) + 4 * static_cast<uint64_t>(rest);
  return bits > INT32_MAX ? INT32_MAX : static_cast<int32_t>(bits);
}

FramePacker::FramePacker(int32_t totalBits) : _totalBits(std::max(totalBits, 0)) {
  try {
    if (_totalBits > kMaxPackerBits) throw std::length_error("packer too wide");
    _output.reserve(static_cast<size_t>(_totalBits / 4) + 1);
  } catch (const std::exception&) {
    sharedPrinter().print("Corvel> ERROR: Memory allocation failed in FramePacker!\n");
    _totalBits = 0;
  }
}

int FramePacker::digitValue(char c) const {
  if (c == '\0') return 0;
  const int value = hexDigitValue(c);
  if (value >= 0) return value;
  sharedPrinter().print("Corvel> ERROR: invalid character in string\n");
  return 0;
}

void FramePacker::appendBits(int32_t count, uint32_t value) {
  if (count <= 0) return;
  _accumulator = static_cast<uint8_t>((_accumulator << count) | (value & ((1u << count) - 1)));
  _pending += count;
  if (_pending >= 4) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const unsigned digit = (static_cast<unsigned>(_accumulator) >> (_pending - 4)) & 0x0fu;
    if (_output.size() < static_cast<size_t>(digitCount())) _output.push_back(kDigits[digit]);
    _pending -= 4;
  }
}

bool FramePacker::packField(int32_t width, std::string_view value) {
  const int32_t significant = significantBits(value);
  if (significant > width) {
    sharedPrinter().print("Corvel> ERROR: Field has too many bits: %.*s!\n", static_cast<int>(value.size()),
                    value.data());
    return false;
  }
  const int32_t zeros = width - significant;
  appendBits(zeros % 4, 0);
  // Once the output is full further zero digits change nothing, and after the
  // first one the pending bits are zero as well: stop early on huge widths.
  const int32_t zeroDigits = std::min(zeros / 4, digitCount() + 1);
  for (int32_t i = 0; i < zeroDigits; ++i) appendBits(4, 0);

  int32_t remaining = significant;
  const size_t first = value.find_first_not_of('0');
  if (first == std::string_view::npos || remaining == 0) return true;
  int32_t lead = remaining <= 4 ? remaining : remaining % 4;
  if (lead == 0) lead = 4;
  appendBits(lead, static_cast<uint32_t>(digitValue(value[first])));
  remaining -= lead;
  for (size_t i = first + 1; i < value.size() && remaining > 0; ++i) {
    const int32_t bits = std::min(remaining, 4);
    appendBits(bits, static_cast<uint32_t>(digitValue(value[i])));
    remaining -= bits;
  }
  return true;
}

}  // namespace corvel
