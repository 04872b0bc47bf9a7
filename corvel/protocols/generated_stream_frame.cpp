#include "corvel/protocols/generated_stream_frame.h"

#include <utility>

namespace corvel {

namespace {

// A frame's own bytes together with the PDU it refers to, in one block.
struct OwnedFrameBytes {
  std::vector<uint8_t> data;
  std::shared_ptr<const uint8_t[]> pdu;
};

}  // namespace

GeneratedStreamFrame::GeneratedStreamFrame(GeneratedFrameKind kind, std::vector<uint8_t> data,
                                           const FrameOrigin& origin, std::shared_ptr<const uint8_t[]> pdu,
                                           int32_t pduSize)
    : _kind(kind), _origin(origin) {
  auto owned = std::make_shared<OwnedFrameBytes>(OwnedFrameBytes{std::move(data), std::move(pdu)});
  _data = owned->data.data();
  _length = owned->data.size();
  if (owned->pdu && pduSize > 0) {
    _pdu = owned->pdu.get();
    _pduSize = static_cast<size_t>(pduSize);
  }
  _storage = FrameStorage(std::move(owned), _data);
}

GeneratedStreamFrame::GeneratedStreamFrame(GeneratedFrameKind kind, FrameStorage storage,
                                           std::span<const uint8_t> data, const FrameOrigin& origin,
                                           std::span<const uint8_t> pdu)
    : _kind(kind),
      _storage(std::move(storage)),
      _data(data.data()),
      _length(data.size()),
      _pdu(pdu.empty() ? nullptr : pdu.data()),
      _pduSize(pdu.size()),
      _origin(origin) {}

std::shared_ptr<const uint8_t[]> GeneratedStreamFrame::sharedPdu() const {
  if (_pdu == nullptr) return {};
  return {_storage, _pdu};
}

}  // namespace corvel
