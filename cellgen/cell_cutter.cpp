#include "cellgen/cell_cutter.h"

namespace cellgen {

namespace {

void putWord(std::uint8_t* at, std::uint32_t word) {
  at[0] = static_cast<std::uint8_t>(word >> 24);
  at[1] = static_cast<std::uint8_t>(word >> 16);
  at[2] = static_cast<std::uint8_t>(word >> 8);
  at[3] = static_cast<std::uint8_t>(word);
}

}  // namespace

std::size_t CellCutter::cellCount(std::size_t length) {
  if (length <= kFirstPayload) return 1;
  return 1 + (length - kFirstPayload + kNextPayload - 1) / kNextPayload;
}

void CellCutter::start(const FrameFields& fields, const FramePayload& payload) {
  _fields = fields;
  _payload = payload;
  if (_payload.length > kMaxFrameLength) _payload.length = kMaxFrameLength;  // guarded by the loader
  _cellIndex = 0;
  _cellPayloadStart = 0;
  _busy = true;
  beginCell();
}

void CellCutter::beginCell() {
  const bool first = _cellIndex == 0;
  const std::size_t room = first ? kFirstPayload : kNextPayload;
  const std::size_t left = _payload.length - _cellPayloadStart;
  _cellPayloadLength = left < room ? left : room;
  _lastCell = _cellPayloadStart + _cellPayloadLength == _payload.length;

  const std::size_t innerLength = first ? 16 : 8;
  _head[0] = kBaseHeaderType;
  _head[1] = static_cast<std::uint8_t>(innerLength + _cellPayloadLength);
  _head[2] = _fields.cellClass;
  _head[3] = 0;
  _head[4] = 0;
  _head[5] = 0;
  std::uint8_t* inner = _head.data() + 6;
  const std::uint32_t word0 = (static_cast<std::uint32_t>(first ? _fields.tag : 0) << 24) |
                              ((_cellIndex & 0xFFFFu) << 8) | (_lastCell ? 0x80u : 0u) |
                              (first ? 0x40u : 0u) | (_fields.streamId & 0x3Fu);
  putWord(inner, word0);
  putWord(inner + 4, (_fields.counters[0] & 0xFFFFu) << 16);
  if (first) {
    putWord(inner + 8, ((_fields.counters[1] & 0xFFFFu) << 16) | (_fields.counters[2] & 0xFFFFu));
    putWord(inner + 12, _fields.counters[3]);
  }
  _headLength = 6 + innerLength;
  _position = 0;
}

CellCutter::Step CellCutter::next(std::uint8_t& out) {
  if (_position < _headLength) {
    out = _head[_position];
  } else {
    const std::size_t offset = _cellPayloadStart + (_position - _headLength);
    out = _payload.data ? _payload.data[offset] : _payload.fill;
  }
  ++_position;
  if (_position < _headLength + _cellPayloadLength) return Step::byte;
  if (_lastCell) {
    _busy = false;
    return Step::frameEnd;
  }
  _cellPayloadStart += _cellPayloadLength;
  ++_cellIndex;
  beginCell();
  return Step::cellEnd;
}

}  // namespace cellgen
