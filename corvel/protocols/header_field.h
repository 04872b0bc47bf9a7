// A protocol's header fields, declared once as a table: for each field its
// name in messages (as in "DEST_ADDR field is zero"), the attribute of the TCS
// element that sets it, where it lies (a BitField) and how its value is
// shown. A `HeaderField` is a BitField, so a protocol's layout block (`UdpWire`
// and the others) holds its fields as HeaderFields and every setter, getter,
// encapsulator and decapsulator that reads the layout reads the table.
//
// Reading a field from captured header bytes and from a configuration's
// header is the same call on different bytes; formatting writes into the
// caller's buffer and never allocates, so a verifier may use it per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "corvel/protocols/bit_field.h"

namespace corvel {

enum class FieldDisplay {
  Decimal,     // 8080
  Hex,         // 0x0800, one digit per started nibble of the width
  DottedIpv4,  // 192.168.2.1
  Ipv6Text,    // 2001:db8::1 (RFC 5952)
  Mac,         // 00:1b:21:0a:0b:0c
};

struct HeaderField : BitField {
  std::string_view name;       // the field in messages
  std::string_view attribute;  // the TCS attribute; empty when none sets it
  FieldDisplay display = FieldDisplay::Decimal;
};

constexpr HeaderField headerField(BitField bits, std::string_view name, std::string_view attribute,
                                  FieldDisplay display = FieldDisplay::Decimal) {
  return {bits, name, attribute, display};
}

using FieldTable = std::span<const HeaderField>;

// The field of `table` called `name`. In a constant expression a name the
// table lacks does not compile; at run time it throws.
constexpr const HeaderField &fieldNamed(FieldTable table, std::string_view name) {
  for (const HeaderField &field : table) {
    if (field.name == name) return field;
  }
  throw TextError("Error, no header field of that name");
}

// The field set by TCS attribute `attribute`, or null.
const HeaderField *findFieldByAttribute(FieldTable table, std::string_view attribute) noexcept;

// Fields of up to 32 bits are read as numbers; wider ones (MAC and IPv6
// addresses) only as bytes.
constexpr bool isNumericField(const BitField &field) { return field.width >= 1 && field.width <= 32; }

// The field's value in `header` (captured bytes or a configuration's header),
// or nothing when the field is wider than 32 bits or lies outside the bytes.
std::optional<uint64_t> fieldValue(std::span<const uint8_t> header, const BitField &field) noexcept;

// The field's bytes for a whole-byte field lying inside `header`, else nothing.
std::optional<std::span<const uint8_t>> fieldSpan(std::span<const uint8_t> header, const BitField &field) noexcept;

// Whether the field holds the same bits in `actual` and `expected` where
// `mask` (a header-sized flow-key style mask, 1 = compared) is set; an
// empty mask compares every bit. A field outside any of the three spans is
// unequal.
bool fieldMatches(const BitField &field, std::span<const uint8_t> actual, std::span<const uint8_t> expected,
                  std::span<const uint8_t> mask = {}) noexcept;

// Sets the field's bits in `mask` (a header-sized comparison mask); a field
// reaching past the mask is left out whole.
void markField(std::span<uint8_t> mask, const BitField &field) noexcept;

// Whether any bit of the field is set in `mask`.
bool fieldMarked(std::span<const uint8_t> mask, const BitField &field) noexcept;

// Longest text formatField writes for a field of up to 128 bits, without its
// terminating zero: an IPv6 address of 8 groups of 4 digits and 7 colons.
inline constexpr size_t kFieldTextMax = 39;

// Writes the field's value in `header` in its display format into `out`,
// zero-terminated, and returns the text's length. A field outside the bytes
// is written "?"; a text longer than `out` holds is cut (still terminated).
size_t formatField(const HeaderField &field, std::span<const uint8_t> header, std::span<char> out) noexcept;

}  // namespace corvel
