// A bounds-checked view of captured bytes. Every read of a verifier goes
// through it: a field that does not lie inside the bytes is never read, the
// caller learns so and reports the PDU as too short.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "corvel/protocols/bit_field.h"

namespace corvel {

class ByteView {
 public:
  ByteView() = default;
  explicit ByteView(std::span<const uint8_t> bytes) : _bytes(bytes) {}

  size_t size() const noexcept { return _bytes.size(); }
  bool empty() const noexcept { return _bytes.empty(); }
  std::span<const uint8_t> bytes() const noexcept { return _bytes; }
  bool holds(size_t offset, size_t count) const noexcept {
    return offset <= _bytes.size() && count <= _bytes.size() - offset;
  }
  // The field's value, or nothing when it does not lie inside the bytes.
  std::optional<uint64_t> field(const BitField& field) const noexcept {
    const int64_t endBit = int64_t{field.byte} * 8 + (7 - field.msb) + field.width;
    if (field.byte < 0 || field.width < 1 || field.width > 32 || field.msb < 0 || field.msb > 7 ||
        static_cast<uint64_t>((endBit + 7) / 8) > _bytes.size())
      return std::nullopt;
    return readBitField(_bytes, field);
  }
  // The field's value; 0 when it does not lie inside (for checks made after
  // the size was verified).
  uint64_t value(const BitField& f) const noexcept { return field(f).value_or(0); }
  // A part of the view; empty when it does not lie inside.
  ByteView sub(size_t offset, size_t count) const noexcept {
    return holds(offset, count) ? ByteView(_bytes.subspan(offset, count)) : ByteView();
  }
  ByteView from(size_t offset) const noexcept {
    return offset <= _bytes.size() ? ByteView(_bytes.subspan(offset)) : ByteView();
  }
  // A whole-byte field of a layout block as a view; empty when it does not
  // lie inside.
  ByteView sub(const BitField& field) const noexcept {
    if (!isByteField(field) || field.byte < 0 || field.width < 8) return ByteView();
    return sub(static_cast<size_t>(field.byte), static_cast<size_t>(byteCount(field)));
  }
  // Whether a whole-byte field lies inside and all its bytes are zero.
  bool allZero(const BitField& field) const noexcept {
    const ByteView bytes = sub(field);
    return !bytes.empty() && bytes.allZero(0, bytes.size());
  }
  bool allZero(size_t offset, size_t count) const noexcept {
    if (!holds(offset, count)) return false;
    for (size_t i = 0; i < count; ++i)
      if (_bytes[offset + i] != 0) return false;
    return true;
  }

 private:
  std::span<const uint8_t> _bytes;
};

}  // namespace corvel
