// Packs bit fields, most significant bit first, into a hex text that becomes
// the header (or trailer) of a generic protocol. Fields go back to back in
// declaration order and may start at any bit position; bits beyond the last
// whole hex digit are never emitted. The packer never throws: it prints its
// error lines on the host console and reports failure or substitutes 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvel {

class FramePacker {
 public:
  explicit FramePacker(int32_t totalBits);

  // Appends a field of `width` bits holding `value` (hex digits, leading zeros
  // allowed). Fails, appending nothing, when the value needs more bits than
  // the field has. A character that is not a hex digit counts as 0 (and is
  // reported on the console).
  bool packField(int32_t width, std::string_view value);

  // The lower-case hex digits emitted so far; total bits / 4 of them once
  // every field has been packed.
  std::string_view text() const { return _output; }
  int32_t totalBits() const { return _totalBits; }
  int32_t byteCount() const { return _totalBits / 8; }
  int32_t digitCount() const { return _totalBits / 4; }

 private:
  void appendBits(int32_t count, uint32_t value);
  int digitValue(char c) const;

  std::string _output;  // capacity reserved up front; its size is the write index
  uint8_t _accumulator = 0;
  int32_t _pending = 0;
  int32_t _totalBits;
};

// Bits needed for the value of a hex text: leading '0' characters are
// skipped, the first other digit counts its highest set bit plus one and
// every later character 4. A text of only zeros needs 0 bits.
int32_t significantBits(std::string_view value);

}  // namespace corvel
