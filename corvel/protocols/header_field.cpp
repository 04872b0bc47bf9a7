#include "corvel/protocols/header_field.h"

#include <algorithm>
#include <array>

namespace corvel {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

// Appends to a caller's buffer, always leaving room for the terminating zero.
class TextSink {
 public:
  explicit TextSink(std::span<char> out) : _out(out) {}
  void put(char c) {
    if (_length + 1 < _out.size()) _out[_length++] = c;
  }
  void decimal(uint64_t value) {
    char digits[20];
    size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (count > 0) put(digits[--count]);
  }
  // `digits` hex digits, leading zeros kept; 0 drops them (at least one digit).
  void hex(uint64_t value, int32_t digits) {
    int32_t shown = digits;
    if (shown == 0) {
      shown = 1;
      while (shown < 16 && (value >> (4 * shown)) != 0) ++shown;
    }
    for (int32_t i = shown - 1; i >= 0; --i) put(kDigits[(value >> (4 * i)) & 0xfu]);
  }
  size_t finish() {
    if (!_out.empty()) _out[_length] = '\0';
    return _length;
  }

 private:
  std::span<char> _out;
  size_t _length = 0;
};

void dotted(TextSink &sink, std::span<const uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) sink.put('.');
    sink.decimal(bytes[i]);
  }
}

void colonBytes(TextSink &sink, std::span<const uint8_t> bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) sink.put(':');
    sink.hex(bytes[i], 2);
  }
}

void hexBytes(TextSink &sink, std::span<const uint8_t> bytes) {
  sink.put('0');
  sink.put('x');
  for (uint8_t byte : bytes) sink.hex(byte, 2);
}

// RFC 5952 section 4: lower case, no leading zeros in a group, the longest
// run of two or more zero groups (the first of equal runs) written "::";
// section 5: an IPv4-mapped address ends in its dotted form.
void ipv6Text(TextSink &sink, std::span<const uint8_t> bytes) {
  std::array<uint32_t, 8> groups{};
  for (size_t i = 0; i < groups.size(); ++i) groups[i] = (uint32_t{bytes[2 * i]} << 8) | bytes[2 * i + 1];
  size_t runStart = 0;
  size_t runLength = 0;
  for (size_t i = 0; i < groups.size();) {
    size_t j = i;
    while (j < groups.size() && groups[j] == 0) ++j;
    if (j - i > runLength) {
      runStart = i;
      runLength = j - i;
    }
    i = j == i ? i + 1 : j;
  }
  if (runLength < 2) runLength = 0;
  const bool mapped = runStart == 0 && runLength == 5 && groups[5] == 0xffff;
  const size_t hexGroups = mapped ? 6 : 8;
  for (size_t i = 0; i < hexGroups; ++i) {
    if (runLength != 0 && i == runStart) {
      sink.put(':');
      if (i == 0) sink.put(':');
      i += runLength - 1;
      continue;
    }
    sink.hex(groups[i], 0);
    if (i + 1 < hexGroups || mapped) sink.put(':');
  }
  if (mapped) dotted(sink, bytes.subspan(12, 4));
}

void wideField(TextSink &sink, const HeaderField &field, std::span<const uint8_t> bytes) {
  switch (field.display) {
    case FieldDisplay::DottedIpv4:
      return dotted(sink, bytes);
    case FieldDisplay::Mac:
      return colonBytes(sink, bytes);
    case FieldDisplay::Ipv6Text:
      if (bytes.size() == 16) return ipv6Text(sink, bytes);
      return hexBytes(sink, bytes);
    case FieldDisplay::Decimal:
    case FieldDisplay::Hex:
      return hexBytes(sink, bytes);
  }
}

}  // namespace

const HeaderField *findFieldByAttribute(FieldTable table, std::string_view attribute) noexcept {
  if (attribute.empty()) return nullptr;
  for (const HeaderField &field : table) {
    if (field.attribute == attribute) return &field;
  }
  return nullptr;
}

std::optional<uint64_t> fieldValue(std::span<const uint8_t> header, const BitField &field) noexcept {
  if (!isNumericField(field) || field.byte < 0 || field.msb < 0 || field.msb > 7) return std::nullopt;
  if (static_cast<size_t>(fieldEnd(field)) > header.size()) return std::nullopt;
  return readBitField(header, field);
}

std::optional<std::span<const uint8_t>> fieldSpan(std::span<const uint8_t> header, const BitField &field) noexcept {
  if (!isByteField(field) || field.byte < 0 || field.width < 8) return std::nullopt;
  if (static_cast<size_t>(fieldEnd(field)) > header.size()) return std::nullopt;
  return header.subspan(static_cast<size_t>(field.byte), static_cast<size_t>(byteCount(field)));
}

bool fieldMatches(const BitField &field, std::span<const uint8_t> actual, std::span<const uint8_t> expected,
                  std::span<const uint8_t> mask) noexcept {
  if (field.byte < 0 || field.msb < 0 || field.msb > 7 || field.width < 1) return false;
  const auto end = static_cast<size_t>(fieldEnd(field));
  if (end > actual.size() || end > expected.size() || (!mask.empty() && end > mask.size())) return false;
  // Bit by bit over the field's bytes: the first and last byte may hold
  // bits of neighbouring fields, which are never compared.
  const int64_t first = int64_t{field.byte} * 8 + (7 - field.msb);
  for (int64_t bit = first; bit < first + field.width; ++bit) {
    const auto at = static_cast<size_t>(bit / 8);
    const auto select = static_cast<uint8_t>(0x80u >> (bit % 8));
    if (!mask.empty() && (mask[at] & select) == 0) continue;
    if ((actual[at] & select) != (expected[at] & select)) return false;
  }
  return true;
}

namespace {

// Calls `each` (byte index, bit select) for every bit of a field lying inside
// `size` bytes; answers false, calling nothing, for one that does not.
template <class Each>
bool forEachBit(const BitField &field, size_t size, Each &&each) noexcept {
  if (field.byte < 0 || field.msb < 0 || field.msb > 7 || field.width < 1) return false;
  if (static_cast<size_t>(fieldEnd(field)) > size) return false;
  const int64_t first = int64_t{field.byte} * 8 + (7 - field.msb);
  for (int64_t bit = first; bit < first + field.width; ++bit)
    each(static_cast<size_t>(bit / 8), static_cast<uint8_t>(0x80u >> (bit % 8)));
  return true;
}

}  // namespace

void markField(std::span<uint8_t> mask, const BitField &field) noexcept {
  forEachBit(field, mask.size(), [&](size_t at, uint8_t select) { mask[at] |= select; });
}

bool fieldMarked(std::span<const uint8_t> mask, const BitField &field) noexcept {
  bool marked = false;
  forEachBit(field, mask.size(), [&](size_t at, uint8_t select) { marked = marked || (mask[at] & select) != 0; });
  return marked;
}

size_t formatField(const HeaderField &field, std::span<const uint8_t> header, std::span<char> out) noexcept {
  TextSink sink(out);
  if (const std::optional<uint64_t> value = fieldValue(header, field)) {
    if (field.display == FieldDisplay::Decimal) {
      sink.decimal(*value);
    } else if (field.display == FieldDisplay::Hex || !isByteField(field)) {
      sink.put('0');
      sink.put('x');
      sink.hex(*value, (field.width + 3) / 4);
    } else {
      wideField(sink, field, *fieldSpan(header, field));
    }
  } else if (const std::optional<std::span<const uint8_t>> bytes = fieldSpan(header, field)) {
    wideField(sink, field, *bytes);
  } else {
    sink.put('?');
  }
  return sink.finish();
}

}  // namespace corvel
