// One layer of a flow's pattern: the protocol kind it applies to, the header
// bytes it was built from (`value`) and a mask with 1-bits in the fields the
// policy names. A header matches when every masked byte equals the masked
// value; a header shorter than the pattern never matches.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvel {

class ProtocolFlowKey {
 public:
  static constexpr int32_t kLevelDatalink = 0;
  static constexpr int32_t kLevelPdu = 1;
  static constexpr int32_t kLevelUnset = 2;

  // `position` is the key's place among the policy's protocol elements.
  ProtocolFlowKey(std::string name, int32_t type, int32_t position, std::span<const uint8_t> value);

  // The mask, byte for byte over the value; a shorter mask leaves the rest
  // of the value unmasked (0), a longer one is cut.
  void setMask(std::span<const uint8_t> mask);
  void setLevel(int32_t level) noexcept { _level = level; }
  // Whether the key's protocol is a datalink (its header is gone from a
  // reassembled PDU).
  void setDatalink(bool datalink) noexcept { _datalink = datalink; }
  bool isDatalink() const noexcept { return _datalink; }

  // The masked match of one header of protocol `type` (bounds-checked).
  bool matches(int32_t type, std::span<const uint8_t> header) const noexcept;

  const std::string& name() const noexcept { return _name; }
  int32_t type() const noexcept { return _type; }
  int32_t position() const noexcept { return _position; }
  int32_t length() const noexcept { return static_cast<int32_t>(_value.size()); }
  int32_t level() const noexcept { return _level; }
  std::span<const uint8_t> value() const noexcept { return _value; }
  std::span<const uint8_t> mask() const noexcept { return _mask; }

 private:
  std::string _name;
  int32_t _type;
  int32_t _position;
  std::vector<uint8_t> _mask;
  std::vector<uint8_t> _value;
  int32_t _level = kLevelUnset;
  bool _datalink = false;
};

}  // namespace corvel
