#include "corvel/police/protocol_flow_key.h"

#include <algorithm>
#include <utility>

namespace corvel {

ProtocolFlowKey::ProtocolFlowKey(std::string name, int32_t type, int32_t position,
                                 std::span<const uint8_t> value)
    : _name(std::move(name)),
      _type(type),
      _position(position),
      // Until a mask is given every bit of the value counts.
      _mask(value.size(), 0xff),
      _value(value.begin(), value.end()) {}

void ProtocolFlowKey::setMask(std::span<const uint8_t> mask) {
  std::fill(_mask.begin(), _mask.end(), uint8_t{0});
  std::copy_n(mask.begin(), std::min(mask.size(), _mask.size()), _mask.begin());
}

bool ProtocolFlowKey::matches(int32_t type, std::span<const uint8_t> header) const noexcept {
  if (type != _type || header.size() < _value.size()) return false;
  for (size_t i = 0; i < _value.size(); ++i) {
    if ((header[i] & _mask[i]) != (_value[i] & _mask[i])) return false;
  }
  return true;
}

}  // namespace corvel
