#include "corvel/protocols/full_header/full_header_encap.h"

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/ipv6/ipv6.h"
#include "corvel/protocols/udp/udp.h"

namespace corvel {

namespace {

void writeIfHeld(std::span<uint8_t> bytes, const BitField& field, uint16_t value) {
  if (bytes.size() >= static_cast<size_t>(fieldEnd(field))) writeBitField(bytes, field, value);
}

// Writes `value` over the length field of the `layer` whose bytes start `bytes`;
// layers without a length field are left alone.
void writeLength(const Encapsulator& layer, std::span<uint8_t> bytes, uint16_t value) {
  switch (layer.kind()) {
    case ProtocolKind::IpV4:
      writeIfHeld(bytes, Ipv4Wire::kTotalLength, value);
      break;
    case ProtocolKind::IpV6:
      writeIfHeld(bytes, Ipv6Wire::kPayloadLength, value);
      break;
    case ProtocolKind::Udp:
      writeIfHeld(bytes, UdpWire::kLength, value);
      break;
    default:
      break;
  }
}

}  // namespace

FullHeaderEncapsulator::FullHeaderEncapsulator(const FullHeaderProtocolConfig& config)
    : Encapsulator(ProtocolKind::FullHeader, enRoleInner, {}, {}),
      _firstValue(config.firstLengthValue()),
      _secondValue(config.secondLengthValue()) {}

void FullHeaderEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  const Encapsulator* first = inner();
  if (first == nullptr) return;
  writeLength(*first, layout.payload, _firstValue);
  const Encapsulator* second = first->inner();
  const auto skip = static_cast<size_t>(first->headerSize());
  if (second == nullptr || skip > layout.payload.size()) return;
  writeLength(*second, layout.payload.subspan(skip), _secondValue);
}

}  // namespace corvel
