#include "corvel/protocols/data_generator.h"

#include <algorithm>

#include "corvel/host/text_error.h"
#include "corvel/protocols/pattern_payload.h"
#include "corvel/protocols/payload_encap.h"

namespace corvel {

DataGenerator::DataGenerator(EncapsulatorChain chain) : _chain(std::move(chain)) {
  if (_chain.empty()) throw TextError("No protocol headers defined for stream");
  for (const auto& layer : _chain) {
    if (!layer) throw TextError("No protocol headers defined for stream");
  }
  _payload = dynamic_cast<PayloadEncapsulator*>(_chain.front().get());
  if (_payload == nullptr) throw TextError("First protocol is not a payload.");
  for (size_t k = 0; k < _chain.size(); ++k) {
    _chain[k]->setChainIndex(static_cast<int32_t>(k));
    _chain[k]->setInner(k > 0 ? _chain[k - 1].get() : nullptr);
    _chain[k]->setOuter(k + 1 < _chain.size() ? _chain[k + 1].get() : nullptr);
  }
}

DataGenerator::~DataGenerator() = default;

bool DataGenerator::isDone() const { return _payload->finished() || _payload->isDone(_iterationLimit); }

SingleFragmentation::SingleFragmentation(EncapsulatorChain chain, std::unique_ptr<PayloadGenerator> generator)
    : DataGenerator(std::move(chain)), _generator(std::move(generator)) {
  _datalink = this->chain().size() > 1 ? dynamic_cast<DatalinkEncapsulator*>(this->chain().back().get()) : nullptr;
  if (_datalink == nullptr) throw TextError("Last-Tail protocol is not a datalink protocol");
  for (const auto& layer : this->chain()) layer->setGenerator(_generator.get());
}

SingleFragmentation::~SingleFragmentation() = default;

GeneratedFrameList SingleFragmentation::generate(int32_t callerValue) {
  if (isDone()) return {};
  const EncapsulatorChain& layers = chain();
  EncapsulationState state(static_cast<int32_t>(layers.size()));

  // Sizing pass, payload outwards; then, from the outermost layer back, the
  // first layer that may hold the PDU allocates it.
  int32_t size = payload().currentSize();
  for (size_t k = 0; k < layers.size(); ++k) {
    state.index = static_cast<int32_t>(k);
    const ProtocolKind innerKind = k > 0 ? layers[k - 1]->kind() : ProtocolKind::Payload;
    size = layers[k]->sizeLayer(size, innerKind, state);
  }
  for (size_t k = layers.size(); k-- > 0;) layers[k]->allocateIfFirst(state);

  if (!state.pdu || state.allocatingIndex < 0) throw TextError("Error, memory was not allocated for the PDU");
  if (state.partitioned && state.fragmentingIndex != state.lastIndex) {
    throw TextError("Error, Fragmentation did not occur at the datalink level");
  }
  fill(state);
  GeneratedFrameList frames = cutFrames(state, callerValue);
  payload().advance();
  return frames;
}

// Inner layers first, so that outer lengths, checksums and CRCs cover
// finished bytes. Layer k - 1 starts right after the header of layer k.
void SingleFragmentation::fill(EncapsulationState& state) {
  const std::span<uint8_t> pdu(state.pdu.get(), static_cast<size_t>(state.pduSize));
  fillLayer(state.allocatingIndex, pdu);
}

void SingleFragmentation::fillLayer(int32_t index, std::span<uint8_t> at) {
  Encapsulator& layer = *chain()[static_cast<size_t>(index)];
  const auto bytes = static_cast<size_t>(layer.layerSize());
  if (bytes > at.size()) throw TextError("Error, layer does not fit the PDU");
  if (index > 0) fillLayer(index - 1, at.subspan(static_cast<size_t>(layer.headerSize())));
  layer.encapsulate(at.first(bytes));
}

GeneratedFrameList SingleFragmentation::cutFrames(const EncapsulationState& state, int32_t callerValue) {
  DatalinkEncapsulator& link = *_datalink;
  const int32_t count = link.fragmentCount();
  const int32_t unit = link.fragmented() ? static_cast<int32_t>(link.maxPayload()) : link.payloadSize();
  const int32_t framing = link.headerSize() + link.padding() + link.trailerSize();
  const uint8_t* pdu = state.pdu.get();

  GeneratedFrameList frames;
  frames.reserve(static_cast<size_t>(count));
  int32_t cursor = 0;
  for (int32_t i = 1; i <= count; ++i) {
    const int32_t length = std::min(unit, state.pduSize - cursor);
    if (length < 0) throw TextError("Error, fragment lies outside the PDU");
    std::vector<uint8_t> frame(static_cast<size_t>(framing + length));  // zeroed
    std::copy_n(pdu + cursor, length, frame.begin() + link.headerSize());
    link.encapsulateFragment(frame, i, count);
    FrameOrigin origin;
    origin.datalinkKind = link.kind();
    origin.streamIndex = payload().streamIndex();
    origin.callerValue = callerValue;
    origin.fragmentPayloadLength = length;
    origin.fragmentNumber = i;
    origin.fragmentCount = count;
    origin.pduOffset = cursor;
    frames.emplace_back(enFrameNew, std::move(frame), origin, state.pdu, state.pduSize);
    cursor += length;
  }
  return frames;
}

}  // namespace corvel
