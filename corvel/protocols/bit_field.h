// Big-endian bit fields inside header bytes. A field is named by the byte
// holding its most significant bit, the number of that bit within the byte
// (7 = most significant bit of the byte) and its width; it runs on through the
// following bytes, most significant bit first (network order). Every header
// setter and getter goes through these helpers.
//
// Each protocol header (udp.h, ipv4.h, ...) holds one layout block, a struct
// named after the protocol with `Wire` appended, that names every field of
// its header once; configuration, encapsulator and readers all use it.
#pragma once

#include <cstdint>
#include <span>

#include "corvel/base/text_error.h"

namespace corvel {

struct BitField {
  int32_t byte;   // byte holding the field's most significant bit
  int32_t msb;    // bit number of that bit within the byte, 7..0
  int32_t width;  // bits; 1..32 to be read or written as a number
};

// Whole bytes: `count` bytes starting at `byte`. Fields wider than 32 bits
// (MAC and IPv6 addresses) are only taken as bytes, with fieldBytes.
constexpr BitField byteField(int32_t byte, int32_t count) { return {byte, 7, 8 * count}; }

// The same field in a header that starts `offset` bytes later, e.g. the ATM
// cell header carried inside the DSLAM header.
constexpr BitField offsetField(const BitField& field, int32_t offset) {
  return {field.byte + offset, field.msb, field.width};
}

// Whether the field is made of whole bytes, and how many.
constexpr bool isByteField(const BitField& field) { return field.msb == 7 && field.width % 8 == 0; }
constexpr int32_t byteCount(const BitField& field) { return field.width / 8; }
// Byte just past the field: a header must hold this many bytes to carry it.
constexpr int32_t fieldEnd(const BitField& field) {
  return field.byte + (7 - field.msb + field.width + 7) / 8;
}

// Largest value a field of `width` bits holds: 2^width - 1.
constexpr uint64_t bitFieldMax(int32_t width) {
  return width >= 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
}

constexpr bool bitFieldFits(const BitField& field, int64_t value) {
  return value >= 0 && static_cast<uint64_t>(value) <= bitFieldMax(field.width);
}

namespace bit_field_detail {

struct Span {
  int32_t first;  // first byte touched
  int32_t count;  // bytes touched
  int32_t shift;  // unused low bits of the last byte
};

constexpr bool locate(const BitField& f, size_t size, Span& out) {
  if (f.byte < 0 || f.msb < 0 || f.msb > 7 || f.width < 1 || f.width > 32) return false;
  const int64_t startBit = int64_t{f.byte} * 8 + (7 - f.msb);
  const int64_t endBit = startBit + f.width;  // one past the last bit
  const int64_t lastByte = (endBit - 1) / 8;
  if (static_cast<uint64_t>(lastByte) >= size) return false;
  out.first = f.byte;
  out.count = static_cast<int32_t>(lastByte - f.byte + 1);
  out.shift = static_cast<int32_t>((lastByte + 1) * 8 - endBit);
  return true;
}

[[noreturn]] inline void outside() { throw TextError("Error, field lies outside the header"); }

}  // namespace bit_field_detail

// Reads the field. A field that does not lie inside `bytes` is a programming
// error and throws. Read and write are always inlined: with the constant
// fields of a layout block they fold into a few byte operations on the frame
// builder's path.
[[gnu::always_inline]] inline uint64_t readBitField(std::span<const uint8_t> bytes, const BitField& field) {
  bit_field_detail::Span s{};
  if (!bit_field_detail::locate(field, bytes.size(), s)) bit_field_detail::outside();
  uint64_t word = 0;
  for (int32_t i = 0; i < s.count; ++i) word = (word << 8) | bytes[static_cast<size_t>(s.first + i)];
  return (word >> s.shift) & bitFieldMax(field.width);
}

// Writes the low `width` bits of `value` into the field, keeping every other bit.
[[gnu::always_inline]] inline void writeBitField(std::span<uint8_t> bytes, const BitField& field, uint64_t value) {
  bit_field_detail::Span s{};
  if (!bit_field_detail::locate(field, bytes.size(), s)) bit_field_detail::outside();
  const uint64_t mask = bitFieldMax(field.width) << s.shift;
  uint64_t word = 0;
  for (int32_t i = 0; i < s.count; ++i) word = (word << 8) | bytes[static_cast<size_t>(s.first + i)];
  word = (word & ~mask) | ((value << s.shift) & mask);
  for (int32_t i = s.count - 1; i >= 0; --i) {
    bytes[static_cast<size_t>(s.first + i)] = static_cast<uint8_t>(word & 0xffu);
    word >>= 8;
  }
}

// The bytes of a whole-byte field. A field that is not made of whole bytes or
// does not lie inside `bytes` is a programming error and throws.
inline std::span<const uint8_t> fieldBytes(std::span<const uint8_t> bytes, const BitField& field) {
  if (!isByteField(field) || field.byte < 0 || field.width < 8 ||
      static_cast<size_t>(fieldEnd(field)) > bytes.size()) {
    bit_field_detail::outside();
  }
  return bytes.subspan(static_cast<size_t>(field.byte), static_cast<size_t>(byteCount(field)));
}

inline std::span<uint8_t> fieldBytes(std::span<uint8_t> bytes, const BitField& field) {
  const std::span<const uint8_t> within = fieldBytes(std::span<const uint8_t>(bytes), field);
  return bytes.subspan(static_cast<size_t>(within.data() - bytes.data()), within.size());
}

// Range-checked write: a value outside 0..2^width-1 throws `message` and
// leaves the bytes unchanged.
inline void setBitField(std::span<uint8_t> bytes, const BitField& field, int64_t value,
                        const char* message) {
  if (!bitFieldFits(field, value)) throw TextError(message);
  writeBitField(bytes, field, static_cast<uint64_t>(value));
}

}  // namespace corvel
