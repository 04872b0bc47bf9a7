#include "corvel/protocols/aal5/aal5_encap.h"

#include <algorithm>

#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/crc32.h"

namespace corvel {

Aal5FramingEncapsulator::Aal5FramingEncapsulator(ProtocolKind kind, const ProtocolConfig& config)
    : Encapsulator(kind, enRoleFrame, config.headerBytes(), config.trailerBytes()) {}

void Aal5FramingEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  fillPadding(layout);
  copyTrailer(layout);
  writeBitField(layout.trailer, Aal5Wire::kLength, static_cast<uint64_t>(headerSize() + payloadSize()));
  const std::span<uint8_t> crc = fieldBytes(layout.trailer, Aal5Wire::kCrc);
  if (_crcTable != nullptr) {
    _crcTable->store(layer.first(layer.size() - crc.size()), crc);
  } else {
    std::fill(crc.begin(), crc.end(), uint8_t{0});
  }
}

AAL5Encapsulator::AAL5Encapsulator(const AAL5ProtocolConfig& config)
    : Aal5FramingEncapsulator(ProtocolKind::AAL5, config) {}

AAL58023Encapsulator::AAL58023Encapsulator(const AAL58023ProtocolConfig& config)
    : Aal5FramingEncapsulator(ProtocolKind::AAL58023, config) {}

}  // namespace corvel
