#include "corvel/protocols/payload_encap.h"

#include "corvel/base/random.h"
#include "corvel/base/text_error.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/pattern_payload.h"
#include "corvel/protocols/payload_config.h"

namespace corvel {

namespace {

// Device in bits 7-5, port in bits 4-0.
uint8_t portByte(int32_t device, int32_t port, const char* message) {
  if (device < 0 || device > 7 || port < 0 || port > 31) throw TextError(message);
  return static_cast<uint8_t>((device << 5) | port);
}

uint8_t countByte(int32_t value, const char* message) {
  if (value < 0 || value > 255) throw TextError(message);
  return static_cast<uint8_t>(value);
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
    _taggedPdu = layout.payload[3];
  if (_sequenced && _taggedPdu >= 0 && layout.payload.size() >= kSequencedTagSize) {
    for (size_t i = 0; i < 4; ++i) layout.payload[4 + i] = static_cast<uint8_t>(_sequence >> (24 - 8 * i));
    _taggedSequence = _sequence;
  }
}

void PayloadEncapsulator::writeTag(std::span<uint8_t> payload) const {
  if (_signature.txDevice == -1 || _signature.txPort == -1) return;
  const size_t bytes = payload.size() < kPayloadTagSize ? payload.size() : kPayloadTagSize;
  if (bytes > 0) {
    payload[0] = portByte(_signature.txDevice, _signature.txPort, "value exceed either Tx port or Tx device");
  }
  if (bytes > 1) {
    payload[1] = portByte(_signature.rxDevice, _signature.rxPort, "value exceed either Rx port or Rx device");
  }
  if (bytes > 2) payload[2] = countByte(_signature.streamIndex, "value exceeds Rx stream range");
  // The PDU byte counts modulo 256: a long stream goes on, the capture only logs the number.
  if (bytes > 3) payload[3] = static_cast<uint8_t>((_indexInIteration + 1) & 0xff);
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
