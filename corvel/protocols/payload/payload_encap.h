// Payload encapsulators: the innermost layer of a chain. Each walks its
// configuration's size sequence PDU by PDU, has the stream's payload
// generator fill the payload bytes, and writes the 4-byte payload tag over
// the first payload bytes:
//   byte 0  expected transmit device (bits 7-5) and port (bits 4-0)
//   byte 1  receive device (bits 7-5) and port (bits 4-0)
//   byte 2  stream index on the receive port
//   byte 3  position of the PDU within the current iteration, plus 1
// The capture side reads the tag back to attribute PDUs to streams and to
// check their route. No tag is written while the transmit port is unset.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "corvel/protocols/encapsulator.h"
#include "corvel/protocols/payload/payload_tag.h"

namespace corvel {

class FixedPayloadConfig;
class IncrementPayloadConfig;
class RandomPayloadConfig;
class ContextStateProtocolConfig;

// The identities carried in the payload tag.
struct PayloadSignature {
  int32_t txDevice = -1;  // -1: no tag
  int32_t txPort = -1;
  int32_t rxDevice = 0;
  int32_t rxPort = 0;
  int32_t streamIndex = 0;
};

constexpr int32_t kPayloadTagSize = PayloadTagWire::kSize;
// The tag and the sequence number after it.
constexpr int32_t kSequencedTagSize = PayloadTagWire::kSequencedSize;

class PayloadEncapsulator : public Encapsulator {
 public:
  double maxPayload() const override { return _currentSize; }
  void encapsulate(std::span<uint8_t> layer) override;
  // The size after the current one within an iteration.
  virtual void nextSize() = 0;
  // Starts the next iteration of the size sequence.
  virtual void nextIteration() = 0;

  // Called after each PDU: moves to the next size or the next iteration.
  void advance();
  // True when `limit` is non-zero and every iteration has been sent.
  bool isDone(int32_t limit) const { return limit != 0 && _completedIterations >= _iterations; }
  bool finished() const { return _finished; }
  void setFinished(bool finished) { _finished = finished; }

  void setSignature(const PayloadSignature& signature) { _signature = signature; }
  // Writes the stream's sequence number after the tag (PayloadConfig::sequenced).
  void setSequenced(bool sequenced) { _sequenced = sequenced; }
  const PayloadSignature& signature() const { return _signature; }
  int32_t streamIndex() const { return _signature.streamIndex; }

  int32_t currentSize() const { return _currentSize; }
  int32_t sizesPerIteration() const { return _sizesPerIteration; }
  int32_t iterations() const { return _iterations; }
  int32_t indexInIteration() const { return _indexInIteration; }
  int32_t completedIterations() const { return _completedIterations; }

  // Writes the tag (or as many of its bytes as `payload` holds) when the
  // transmit port is set; a field out of range throws its message.
  void writeTag(std::span<uint8_t> payload) const;
  // The PDU number the last encapsulated payload's tag carries (byte 3), or
  // -1 when it carries no whole tag.
  int32_t taggedPdu() const { return _taggedPdu; }
  // The sequence number the last encapsulated payload carries, or -1.
  int64_t taggedSequence() const { return _taggedSequence; }

 protected:
  PayloadEncapsulator(int32_t sizesPerIteration, int32_t iterations, std::span<const uint8_t> header = {});

  int32_t _currentSize = 0;
  int32_t _sizesPerIteration;
  int32_t _iterations;
  int32_t _indexInIteration = 0;
  int32_t _completedIterations = 0;

 private:
  PayloadSignature _signature;
  int32_t _taggedPdu = -1;
  bool _finished = false;
  bool _sequenced = false;
  int64_t _taggedSequence = -1;
  uint32_t _sequence = 0;  // the current PDU's sequence number
};

class FixedPayloadEncapsulator : public PayloadEncapsulator {
 public:
  explicit FixedPayloadEncapsulator(const FixedPayloadConfig& config);
  void nextSize() override;
  void nextIteration() override;

 private:
  std::vector<int32_t> _sizes;
};

class IncrementPayloadEncapsulator : public PayloadEncapsulator {
 public:
  explicit IncrementPayloadEncapsulator(const IncrementPayloadConfig& config);
  void nextSize() override;
  void nextIteration() override;

 private:
  int32_t _startSize;
  int32_t _increment;
};

// One new size from the process-wide pseudo-random sequence per PDU; the
// first is drawn at construction.
class RandomPayloadEncapsulator : public PayloadEncapsulator {
 public:
  explicit RandomPayloadEncapsulator(const RandomPayloadConfig& config);
  void nextSize() override;
  void nextIteration() override;

 private:
  int32_t _minSize;
  int32_t _maxSize;
};

// Sends the configured context-state message as it stands: the message is
// this layer's header and the payload is empty, so it carries no tag and no
// padding.
class ContextStateEncapsulator : public PayloadEncapsulator {
 public:
  explicit ContextStateEncapsulator(const ContextStateProtocolConfig& config);
  double minPayload() const override { return 0; }
  void nextSize() override {}
  void nextIteration() override;
};

}  // namespace corvel
