#include "cellgen/port_generator.h"

namespace cellgen {

PortGenerator::PortGenerator(std::uint32_t port, Selection selection,
                             std::int32_t interpacketTime, Direction direction,
                             std::uint32_t randomSeed)
    : _port(port),
      _selection(selection),
      _interpacketTime(interpacketTime),
      _direction(direction),
      _random(randomSeed) {}

bool PortGenerator::addStream(std::unique_ptr<Stream> stream) {
  if (!stream || _streams.size() >= kMaxStreams) return false;
  _streams.push_back(std::move(stream));
  _candidates.reserve(_streams.size());
  return true;
}

void PortGenerator::select(bool advance) {
  if (_selection == Selection::seq)
    selectSequential(advance);
  else
    selectRandom();
}

void PortGenerator::selectSequential(bool advance) {
  _current = kNone;
  const std::size_t count = _streams.size();
  if (count == 0) return;
  std::size_t position = advance ? _position + 1 : _position;
  // One full circle at most; past the last stream the scan starts over at 0.
  for (std::size_t step = 0; step < count; ++step, ++position) {
    if (position >= count) position = 0;
    if (_streams[position]->active()) {
      _position = position;
      _current = position;
      return;
    }
  }
}

void PortGenerator::selectRandom() {
  _current = kNone;
  _candidates.clear();
  for (std::size_t i = 0; i < _streams.size(); ++i)
    if (_streams[i]->active()) _candidates.push_back(i);
  if (_candidates.empty()) return;
  _current = _candidates[_random.next() % _candidates.size()];
}

ByteResult PortGenerator::nextByte(std::uint8_t& out) {
  if (_current == kNone)
    select(false);
  else if (!_streams[_current]->active())
    select(true);
  if (_current == kNone) return ByteResult::nothing;
  switch (_streams[_current]->nextByte(out)) {
    case ByteResult::byte:
      return ByteResult::byte;
    case ByteResult::packetEnd:
      select(true);
      return ByteResult::packetEnd;
    case ByteResult::nothing:
      break;
  }
  return ByteResult::nothing;
}

void PortGenerator::resetStreams() {
  for (auto& stream : _streams) stream->reset();
  _current = kNone;
  _position = 0;
}

}  // namespace cellgen
