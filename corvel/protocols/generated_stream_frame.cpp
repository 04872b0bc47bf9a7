#include "corvel/protocols/generated_stream_frame.h"

#include <utility>

namespace corvel {

GeneratedStreamFrame::GeneratedStreamFrame(GeneratedFrameKind kind, std::vector<uint8_t> data,
                                           const FrameOrigin& origin, std::shared_ptr<const uint8_t[]> pdu,
                                           int32_t pduSize)
    : _kind(kind),
      _data(std::move(data)),
      _origin(origin),
      _pdu(std::move(pdu)),
      _pduSize(_pdu ? pduSize : 0) {}

std::span<const uint8_t> GeneratedStreamFrame::pdu() const {
  if (!_pdu || _pduSize <= 0) return {};
  return {_pdu.get(), static_cast<size_t>(_pduSize)};
}

}  // namespace corvel
