// Frame builders: a stream's source of PDUs, each handed out as the list of
// frames that carry it. `SingleFragmentation` drives the encapsulation chain
// once per PDU; `FileDataGenerator` (workbench_log.h) reads packets from a
// file instead.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "corvel/protocols/encapsulator.h"
#include "corvel/protocols/generated_stream_frame.h"

namespace corvel {

class PayloadEncapsulator;
class PayloadGenerator;

using EncapsulatorChain = std::vector<std::unique_ptr<Encapsulator>>;

class DataGenerator {
 public:
  virtual ~DataGenerator();
  DataGenerator(const DataGenerator&) = delete;
  DataGenerator& operator=(const DataGenerator&) = delete;

  // The frames of the next PDU of the stream; empty when the stream has no
  // more PDUs. `callerValue` is carried into every frame (the PDU number).
  virtual GeneratedFrameList generate(int32_t callerValue) = 0;

  const EncapsulatorChain& chain() const { return _chain; }
  PayloadEncapsulator& payload() const { return *_payload; }
  // Non-zero: the stream ends once the payload has sent all its iterations;
  // 0: the size sequence repeats for ever. 1 unless set.
  int32_t iterationLimit() const { return _iterationLimit; }
  void setIterationLimit(int32_t limit) { _iterationLimit = limit; }
  // True when no further PDU will come.
  bool isDone() const;

 protected:
  // Takes the chain (payload first), numbers it and links every layer to its
  // neighbours. The first layer must be a payload encapsulator.
  explicit DataGenerator(EncapsulatorChain chain);

 private:
  EncapsulatorChain _chain;
  PayloadEncapsulator* _payload = nullptr;
  int32_t _iterationLimit = 1;
};

// Builds the PDUs of a stream through its encapsulation chain. The frames of
// one PDU and the PDU itself share one storage block: an unfragmented PDU is
// built in place inside its frame, a fragmented one in front of its frames.
// The block is recycled for the next PDU once every frame of the last one
// has been released (and grown when a PDU needs more), so a caller that
// drops each frame list before asking for the next PDU costs one allocation
// per PDU: the list itself.
class SingleFragmentation : public DataGenerator {
 public:
  // The last layer of `chain` must be a datalink encapsulator. `generator`
  // fills payload and padding bytes of every layer.
  SingleFragmentation(EncapsulatorChain chain, std::unique_ptr<PayloadGenerator> generator);
  ~SingleFragmentation() override;

  // Sizing pass, allocation, fill pass and frame loop for the payload's
  // current size; then the payload advances to its next size.
  GeneratedFrameList generate(int32_t callerValue) override;

 private:
  // Where one layer's bytes lie within the PDU.
  struct LayerSpan {
    size_t offset = 0;
    size_t size = 0;
  };

  void sizePdu(int32_t payloadSize);
  uint8_t* storage(size_t bytes);
  GeneratedFrameList cutFrames(int32_t callerValue);

  std::unique_ptr<PayloadGenerator> _generator;
  DatalinkEncapsulator* _datalink = nullptr;
  // The outcome of the last sizing pass. It depends only on the payload size
  // and on the layers' fixed framing, so a PDU of the same size as the last
  // one skips the pass.
  EncapsulationState _sized;
  int32_t _sizedPayload = 0;
  bool _sizedValid = false;
  std::vector<LayerSpan> _spans;  // per layer, up to the one holding the PDU
  // The storage block of the last PDU and its usable size.
  std::shared_ptr<uint8_t[]> _storage;
  size_t _capacity = 0;
};

}  // namespace corvel
