#include "corvel/traffic/nonschedule_stream_distribution.h"

#include <algorithm>

#include "corvel/base/random.h"
#include "corvel/traffic/frame_distribution.h"
#include "corvel/traffic/generate_port_config.h"

namespace corvel {

NonScheduleStreamDistribution::NonScheduleStreamDistribution(PortTraffic& port, const GeneratePortConfig& config,
                                                             const StreamSource& source)
    : StreamDistribution(port, config, source, false) {
  const StreamDistributionRecord& record = config.streamDistribution();
  _iterationType = record.iterationType;
  _boundedStreamSize = record.boundedStreamSize;
  _minFrames = record.minFrameCount;
  _maxFrames = record.maxFrameCount;
  _pduTarget = record.pduCount;
  for (DistributionStream& stream : streams()) _active.push_back(&stream);
}

void NonScheduleStreamDistribution::setWindow() {
  const size_t count = _active.size();
  const size_t bounded = static_cast<size_t>(std::max(_boundedStreamSize, 0));
  const size_t size = (bounded == 0 || bounded >= count) ? count : bounded;
  _windowEnd = size == 0 ? 0 : size - 1;
}

int32_t NonScheduleStreamDistribution::drawFrameTarget() const { return Random::uniform(_minFrames, _maxFrames); }

void NonScheduleStreamDistribution::removeActive(size_t position) {
  if (position < _active.size()) _active.erase(_active.begin() + static_cast<std::ptrdiff_t>(position));
}

void NonScheduleStreamDistribution::refill() {
  for (DistributionStream& stream : streams()) {
    if (stream.frames->pendingFrames() > 0) _active.push_back(&stream);
  }
}

GeneratedStreamFrame NonScheduleStreamDistribution::nextFrame(uint32_t cycle) {
  std::optional<GeneratedStreamFrame> frame;
  bool pduFinished = false;
  bool streamFinished = false;
  const bool byColumn = _iterationType == enIterationByColumn;
  for (;;) {
    if (_active.empty()) {
      if (!byColumn) break;
      // A pass is over: every stream that still holds frames takes part again.
      refill();
      if (_active.empty()) break;
      initialise();
      continue;
    }
    if (_current >= _active.size()) _current = 0;
    frame = _active[_current]->frames->nextFrame(pduFinished, streamFinished);
    if (!frame) {
      // byColumn goes back to the refill step even when this was the last
      // active stream, so no stream with frames left is lost.
      if (dropAndAdvance() || byColumn) continue;
      break;
    }
    if (byColumn && pduFinished) {
      // The stream has sent its PDU of this pass.
      dropAndAdvance();
      _pdusSent = 0;
    }
    break;
  }
  if (!frame) return endOfTraffic(cycle);

  // Turn accounting; a frame target of 0 switches it off for this turn.
  if (_frameTarget != 0) {
    ++_framesSent;
    if (_pduTarget != 0 && pduFinished) ++_pdusSent;
    if (_framesSent >= _frameTarget || (_pduTarget != 0 && _pdusSent >= _pduTarget)) {
      advance();
      _pdusSent = 0;
      _frameTarget = drawFrameTarget();
    }
  }
  return stamped(std::move(*frame), cycle);
}

// ---- Sequential ---------------------------------------------------------

SeqStreamDistribution::SeqStreamDistribution(PortTraffic& port, const GeneratePortConfig& config,
                                             const StreamSource& source)
    : NonScheduleStreamDistribution(port, config, source) {
  initialise();
}

void SeqStreamDistribution::initialise() { _current = 0; }

bool SeqStreamDistribution::dropAndAdvance() {
  removeActive(0);
  _current = 0;
  _pdusSent = 0;
  return !_active.empty();
}

// ---- Random interleave --------------------------------------------------

RandomStreamDistribution::RandomStreamDistribution(PortTraffic& port, const GeneratePortConfig& config,
                                                   const StreamSource& source)
    : NonScheduleStreamDistribution(port, config, source) {
  _pduTarget = 0;  // turns of a random interleave count frames only
  initialise();
}

void RandomStreamDistribution::pickRandom() {
  if (_active.empty()) return;
  _current = static_cast<size_t>(Random::uniform(0, static_cast<int32_t>(_windowEnd)));
  _framesSent = 0;
}

void RandomStreamDistribution::initialise() {
  setWindow();
  pickRandom();
  _frameTarget = drawFrameTarget();
}

bool RandomStreamDistribution::advance() {
  if (_active.empty()) return false;
  pickRandom();
  return true;
}

bool RandomStreamDistribution::dropAndAdvance() {
  removeActive(_current);
  _pdusSent = 0;
  if (_active.empty()) return false;
  setWindow();
  pickRandom();
  return true;
}

// ---- Sequential interleave ----------------------------------------------

InterleaveStreamDistribution::InterleaveStreamDistribution(PortTraffic& port, const GeneratePortConfig& config,
                                                           const StreamSource& source)
    : NonScheduleStreamDistribution(port, config, source) {
  initialise();
}

void InterleaveStreamDistribution::initialise() {
  _current = 0;
  setWindow();
  _frameTarget = drawFrameTarget();
}

bool InterleaveStreamDistribution::advance() {
  if (_active.empty()) return false;
  ++_current;
  if (_current >= _active.size() || _current > _windowEnd) _current = 0;
  _framesSent = 0;
  return true;
}

bool InterleaveStreamDistribution::dropAndAdvance() {
  const bool wasWindowLast = _current == _windowEnd;
  removeActive(_current);  // _current now names the stream that followed
  _pdusSent = 0;
  if (wasWindowLast || _current >= _active.size()) _current = 0;
  setWindow();
  return !_active.empty();
}

}  // namespace corvel
