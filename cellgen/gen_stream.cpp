#include "cellgen/gen_stream.h"

#include <cstdio>

namespace cellgen {

GenStream::GenStream(const CellStreamSettings& settings, std::uint32_t frameLimit,
                     std::uint32_t frameLength, std::uint8_t fill)
    : Stream(settings.id, settings.direction),
      _settings(settings),
      _frameLimit(frameLimit),
      _frameLength(frameLength),
      _fill(fill) {}

bool GenStream::nextPayload(FramePayload& payload) {
  payload.data = nullptr;
  payload.length = _frameLength;
  payload.fill = _fill;
  return true;
}

bool GenStream::buildFrame() {
  if (_frameLimit != 0 && _frameCounter >= _frameLimit) {
    _active = false;
    return false;
  }
  FramePayload payload;
  if (!nextPayload(payload)) {
    _active = false;
    return false;
  }
  FrameFields fields;
  fields.cellClass = _settings.cellClass;
  fields.tag = _settings.tag;
  fields.streamId = id();
  for (std::size_t i = 0; i < fields.counters.size(); ++i)
    fields.counters[i] = _settings.counters[i].current;
  _cells.start(fields, payload);
  // The frame carries the values it was built with; the next one the next.
  ++_frameCounter;
  for (Counter& counter : _settings.counters) counter.advance();
  return true;
}

ByteResult GenStream::nextByte(std::uint8_t& out) {
  if (!_active) return ByteResult::nothing;
  if (!_cells.busy() && !buildFrame()) return ByteResult::nothing;
  switch (_cells.next(out)) {
    case CellCutter::Step::byte:
      return ByteResult::byte;
    case CellCutter::Step::cellEnd:
      return ByteResult::packetEnd;
    case CellCutter::Step::frameEnd:
      if (_frameLimit != 0 && _frameCounter >= _frameLimit) _active = false;
      return ByteResult::packetEnd;
  }
  return ByteResult::nothing;
}

void GenStream::reset() {
  _cells.clear();
  _active = true;
  _frameCounter = 0;
  for (Counter& counter : _settings.counters) counter.restart();
}

FileGenStream::FileGenStream(const CellStreamSettings& settings, DataLines frames,
                             Reporter& reporter)
    : GenStream(settings, 0, 0, 0), _frames(std::move(frames)), _reporter(reporter) {
  if (_frames.count() == 0) deactivate();
}

bool FileGenStream::nextPayload(FramePayload& payload) {
  if (_frames.count() == 0) return false;
  if (_nextLine >= _frames.count()) _nextLine = 0;
  payload = _frames.line(_nextLine++);
  // The trace of the payload copy into the frame buffer.
  char text[96];
  std::snprintf(text, sizeof text, "called len %d  cb %d %p\n", static_cast<int>(payload.length),
                0, static_cast<const void*>(payload.data));
  _reporter.trace(text);
  std::snprintf(text, sizeof text, "cb+len = %d,  m_len = %d\n", static_cast<int>(payload.length),
                static_cast<int>(DataLines::kMaxFrameBytes));
  _reporter.trace(text);
  return true;
}

}  // namespace cellgen
