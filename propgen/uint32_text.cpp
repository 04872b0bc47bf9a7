#include "propgen/uint32_text.h"

namespace propgen {

namespace {

int digitValue(char c, unsigned base) {
  int v = -1;
  if (c >= '0' && c <= '9') {
    v = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    v = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    v = c - 'A' + 10;
  }
  return v >= 0 && static_cast<unsigned>(v) < base ? v : -1;
}

}  // namespace

Uint32Text parseUint32Text(std::string_view text) {
  unsigned base = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) {
    return {enUint32TextNotNumber, 0};
  }
  // Every character is checked before the range, so "12a" reads as not a
  // number even when its digits alone would be too large.
  for (char c : text) {
    if (digitValue(c, base) < 0) {
      return {enUint32TextNotNumber, 0};
    }
  }
  std::uint64_t value = 0;
  for (char c : text) {
    value = value * base + static_cast<unsigned>(digitValue(c, base));
    if (value > UINT32_MAX) {
      return {enUint32TextOutOfRange, 0};
    }
  }
  return {enUint32TextValid, static_cast<std::uint32_t>(value)};
}

}  // namespace propgen
