#include "corvel/protocols/payload/payload_encap.h"

#include "corvel/base/random.h"
#include "corvel/base/text_error.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/payload/pattern_payload.h"
#include "corvel/protocols/payload/payload_config.h"
#include "corvel/protocols/payload/payload_tag.h"

namespace corvel {

namespace {

// A device and port of the tag: both in range, or `message` is thrown.
void checkPort(int32_t device, int32_t port, const char* message) {
  if (!bitFieldFits(PayloadTagWire::kTxDevice, device) || !bitFieldFits(PayloadTagWire::kTxPort, port))
    throw TextError(message);
}

void checkCount(int32_t value, const char* message) {
  if (!bitFieldFits(PayloadTagWire::kStream, value)) throw TextError(message);
}

}  // namespace

PayloadEncapsulator::PayloadEncapsulator(int32_t sizesPerIteration, int32_t iterations,
                                         std::span<const uint8_t> header)
    : Encapsulator(ProtocolKind::Payload, enRoleInner, header, {}),
      _sizesPerIteration(sizesPerIteration),
      _iterations(iterations) {}

void PayloadEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  if (generator() != nullptr) generator()->fillPayload(layout.payload);
  _taggedPdu = -1;
  _taggedSequence = -1;
  writeTag(layout.payload);
  if (_signature.txDevice != -1 && _signature.txPort != -1 && layout.payload.size() >= kPayloadTagSize)
    _taggedPdu = static_cast<int32_t>(readBitField(layout.payload, PayloadTagWire::kPdu));
  if (_sequenced && _taggedPdu >= 0 && layout.payload.size() >= kSequencedTagSize) {
    writeBitField(layout.payload, PayloadTagWire::kSequence, _sequence);
    _taggedSequence = _sequence;
  }
}

void PayloadEncapsulator::writeTag(std::span<uint8_t> payload) const {
  if (_signature.txDevice == -1 || _signature.txPort == -1) return;
  const auto holds = [&](const BitField& field) { return static_cast<size_t>(fieldEnd(field)) <= payload.size(); };
  using Tag = PayloadTagWire;
  if (holds(Tag::kTxPort)) {
    checkPort(_signature.txDevice, _signature.txPort, "value exceed either Tx port or Tx device");
    writeBitField(payload, Tag::kTxDevice, static_cast<uint64_t>(_signature.txDevice));
    writeBitField(payload, Tag::kTxPort, static_cast<uint64_t>(_signature.txPort));
  }
  if (holds(Tag::kRxPort)) {
    checkPort(_signature.rxDevice, _signature.rxPort, "value exceed either Rx port or Rx device");
    writeBitField(payload, Tag::kRxDevice, static_cast<uint64_t>(_signature.rxDevice));
    writeBitField(payload, Tag::kRxPort, static_cast<uint64_t>(_signature.rxPort));
  }
  if (holds(Tag::kStream)) {
    checkCount(_signature.streamIndex, "value exceeds Rx stream range");
    writeBitField(payload, Tag::kStream, static_cast<uint64_t>(_signature.streamIndex));
  }
  if (holds(Tag::kPdu)) writeBitField(payload, Tag::kPdu, static_cast<uint64_t>(_indexInIteration + 1));
}

void PayloadEncapsulator::advance() {
  ++_sequence;
  ++_indexInIteration;
  if (_indexInIteration >= _sizesPerIteration) {
    nextIteration();
  } else {
    nextSize();
  }
}

// ---- fixed ----

FixedPayloadEncapsulator::FixedPayloadEncapsulator(const FixedPayloadConfig& config)
    : PayloadEncapsulator(config.sizesPerIteration(), config.iterations()), _sizes(config.sizes()) {
  if (_sizes.empty()) throw TextError("Fixed payload size must be greater than 0");
  _currentSize = _sizes.front();
}

void FixedPayloadEncapsulator::nextSize() {
  const auto at = static_cast<size_t>(_indexInIteration);
  _currentSize = at < _sizes.size() ? _sizes[at] : _sizes.front();
}

void FixedPayloadEncapsulator::nextIteration() {
  _indexInIteration = 0;
  ++_completedIterations;
  _currentSize = _sizes.front();
}

// ---- increment ----

IncrementPayloadEncapsulator::IncrementPayloadEncapsulator(const IncrementPayloadConfig& config)
    : PayloadEncapsulator(config.sizesPerIteration(), config.iterations()),
      _startSize(config.startSize()),
      _increment(config.increment()) {
  _currentSize = _startSize;
}

void IncrementPayloadEncapsulator::nextSize() { _currentSize += _increment; }

void IncrementPayloadEncapsulator::nextIteration() {
  _indexInIteration = 0;
  ++_completedIterations;
  _currentSize = _startSize;
}

// ---- random ----

RandomPayloadEncapsulator::RandomPayloadEncapsulator(const RandomPayloadConfig& config)
    : PayloadEncapsulator(config.sizesPerIteration(), config.iterations()),
      _minSize(config.minSize()),
      _maxSize(config.maxSize()) {
  nextSize();
}

// Takes one value of the sequence for every PDU, also when minimum and
// maximum are equal, so every random stream advances the sequence alike.
void RandomPayloadEncapsulator::nextSize() {
  const int32_t span = _maxSize >= _minSize ? _maxSize - _minSize + 1 : 1;
  _currentSize = _minSize + Random::next() % span;
}

// A random stream is one long iteration of `iterations` PDUs.
void RandomPayloadEncapsulator::nextIteration() {
  _completedIterations = _indexInIteration;
  nextSize();
}

// ---- context state ----

ContextStateEncapsulator::ContextStateEncapsulator(const ContextStateProtocolConfig& config)
    : PayloadEncapsulator(config.sizesPerIteration(), config.iterations(), config.headerBytes()) {}

void ContextStateEncapsulator::nextIteration() {
  _indexInIteration = 0;
  ++_completedIterations;
  _currentSize = 0;
}

}  // namespace corvel
