#include "corvel/tables/loop_variable.h"

#include <array>

namespace corvel {
namespace {

// Two's complement addition without signed overflow.
int64_t wrappingAdd(int64_t a, int64_t b) noexcept {
  return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

void appendUnsigned(std::string& out, uint64_t value, uint32_t radix) {
  constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::array<char, 64> digits{};
  std::size_t count = 0;
  do {
    digits[count++] = kDigits[value % radix];
    value /= radix;
  } while (value != 0);
  while (count > 0) out.push_back(digits[--count]);
}

}  // namespace

bool LoopVariable::step() noexcept {
  value = wrappingAdd(value, incr);
  if (value <= last) return false;
  value = first;
  return true;
}

void LoopVariable::apply(LoopOperationKind operation, int64_t amount) noexcept {
  if (operation == enOperationSet) {
    value = kind == enIpv4Variable ? static_cast<int64_t>(static_cast<uint32_t>(amount)) : amount;
    return;
  }
  switch (kind) {
    case enIpv4Variable:
      value = static_cast<int64_t>(static_cast<uint32_t>(value) + 1u);
      break;
    case enCountingVariable:
      value = wrappingAdd(value, amount);
      if (value > last || value < first) value = first;
      break;
    default:
      value = wrappingAdd(value, amount);
      break;
  }
}

void LoopVariable::appendText(std::string& out) const {
  if (kind == enIpv4Variable) {
    const auto address = static_cast<uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) {
      appendUnsigned(out, (address >> shift) & 0xffu, 10);
      if (shift != 0) out.push_back('.');
    }
    return;
  }
  appendInRadix(out, value, radix);
}

void appendInRadix(std::string& out, int64_t value, int32_t radix) {
  if (radix < 2 || radix > 36) radix = 10;
  if (radix == 10) {
    if (value < 0) out.push_back('-');
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    appendUnsigned(out, magnitude, 10);
    return;
  }
  // Other radixes show the bits of the 32-bit number, as a C library's
  // integer-to-text conversion does.
  appendUnsigned(out, static_cast<uint32_t>(value), static_cast<uint32_t>(radix));
}

}  // namespace corvel
