#include "cellgen/raw_stream.h"

namespace cellgen {

RawStream::RawStream(std::uint32_t id, Direction direction, DataLines packets)
    : Stream(id, direction), _packets(std::move(packets)) {}

ByteResult RawStream::nextByte(std::uint8_t& out) {
  if (_packets.count() == 0) return ByteResult::nothing;
  const FramePayload packet = _packets.line(_packet);
  out = packet.data[_position++];
  if (_position < packet.length) return ByteResult::byte;
  // After the last line the data starts over from the first.
  _position = 0;
  if (++_packet == _packets.count()) _packet = 0;
  return ByteResult::packetEnd;
}

void RawStream::reset() {
  _packet = 0;
  _position = 0;
}

}  // namespace cellgen
