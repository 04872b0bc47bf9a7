#include "corvel/traffic/frame_distribution.h"

#include "corvel/protocols/data_generator.h"

namespace corvel {

FrameDistribution::~FrameDistribution() = default;

GeneratedFrameList FrameDistribution::nextPdu() {
  GeneratedFrameList frames = _builder.generate(_pduNumber);
  if (!frames.empty()) {
    lookAtPdu(frames);
    ++_pduNumber;
  }
  return frames;
}

PFrameDistribution::~PFrameDistribution() = default;

void PFrameDistribution::setReadiness(int32_t value) noexcept {
  if (value == 0) _state = enPFrameIdle;
  else if (value == 1) _state = enPFrameReady;
  else if (value == 2) _state = enPFrameWaiting;
}

SeqPFrameDistribution::SeqPFrameDistribution(int32_t streamIndex, DataGenerator& builder, bool readyAtStart)
    : PFrameDistribution(streamIndex, readyAtStart), _pdus(builder) {
  // A stream whose chain yields no PDU at all starts (and stays) empty.
  _pending = _pdus.nextPdu();
  setInitialised();
}

SeqPFrameDistribution::~SeqPFrameDistribution() = default;

std::optional<GeneratedStreamFrame> SeqPFrameDistribution::nextFrame(bool& pduFinished, bool& streamFinished) {
  if (_next >= _pending.size()) return std::nullopt;
  std::optional<GeneratedStreamFrame> frame(std::move(_pending[_next++]));
  if (_next >= _pending.size()) {
    pduFinished = true;
    _next = 0;
    _pending.clear();  // releases the PDU's storage so the builder can recycle it
    _pending = _pdus.nextPdu();
    if (_pending.empty()) streamFinished = true;
  }
  return frame;
}

int32_t SeqPFrameDistribution::pendingFrames() const {
  return static_cast<int32_t>(_pending.size() - _next);
}

int32_t SeqPFrameDistribution::nextFrameSize() const {
  return _next < _pending.size() ? _pending[_next].length() : 0;
}

std::optional<GeneratedStreamFrame> IdlePFrameDistribution::nextFrame(bool& /*pduFinished*/,
                                                                      bool& /*streamFinished*/) {
  return GeneratedStreamFrame(enFrameIdle);
}

}  // namespace corvel
