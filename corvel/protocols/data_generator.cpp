#include "corvel/protocols/data_generator.h"

#include <algorithm>
#include <cstring>

#include "corvel/base/text_error.h"
#include "corvel/protocols/payload/pattern_payload.h"
#include "corvel/protocols/payload/payload_encap.h"

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
    : DataGenerator(std::move(chain)),
      _generator(std::move(generator)),
      _sized(static_cast<int32_t>(this->chain().size())),
      _spans(this->chain().size()) {
  _datalink = this->chain().size() > 1 ? dynamic_cast<DatalinkEncapsulator*>(this->chain().back().get()) : nullptr;
  if (_datalink == nullptr) throw TextError("Last-Tail protocol is not a datalink protocol");
  for (const auto& layer : this->chain()) layer->setGenerator(_generator.get());
}

SingleFragmentation::~SingleFragmentation() = default;

GeneratedFrameList SingleFragmentation::generate(int32_t callerValue) {
  if (isDone()) return {};
  sizePdu(payload().currentSize());
  GeneratedFrameList frames = cutFrames(callerValue);
  payload().advance();
  return frames;
}

// Sizing pass, payload outwards; then, from the outermost layer back, the
// first layer that may hold the PDU claims it. Finally the place of every
// layer inside the PDU: layer k - 1 starts right after the header of layer k.
void SingleFragmentation::sizePdu(int32_t payloadSize) {
  if (_sizedValid && payloadSize == _sizedPayload) return;
  _sizedValid = false;
  const EncapsulatorChain& layers = chain();
  EncapsulationState state(static_cast<int32_t>(layers.size()));
  int32_t size = payloadSize;
  for (size_t k = 0; k < layers.size(); ++k) {
    state.index = static_cast<int32_t>(k);
    const ProtocolKind innerKind = k > 0 ? layers[k - 1]->kind() : ProtocolKind::Payload;
    size = layers[k]->sizeLayer(size, innerKind, state);
  }
  for (size_t k = layers.size(); k-- > 0;) layers[k]->allocateIfFirst(state);

  if (state.allocatingIndex < 0) throw TextError("Error, memory was not allocated for the PDU");
  if (state.partitioned && state.fragmentingIndex != state.lastIndex) {
    throw TextError("Error, Fragmentation did not occur at the datalink level");
  }
  const auto pduSize = static_cast<size_t>(state.pduSize);
  size_t offset = 0;
  for (auto k = static_cast<size_t>(state.allocatingIndex) + 1; k-- > 0;) {
    const Encapsulator& layer = *layers[k];
    const auto bytes = static_cast<size_t>(layer.layerSize());
    if (bytes > pduSize - offset) throw TextError("Error, layer does not fit the PDU");
    _spans[k] = {offset, bytes};
    offset += static_cast<size_t>(layer.headerSize());
  }
  _sized = state;
  _sizedPayload = payloadSize;
  _sizedValid = true;
}

// The block for this PDU's bytes, zeroed: bytes no layer writes stay zero.
// Frames of an earlier PDU that are still held keep their block, and this
// PDU gets a new one.
uint8_t* SingleFragmentation::storage(size_t bytes) {
  if (!_storage || _storage.use_count() != 1 || _capacity < bytes) {
    constexpr size_t kGrain = 64;
    const size_t capacity = bytes == 0 ? kGrain : (bytes + kGrain - 1) / kGrain * kGrain;
    _storage = std::make_shared_for_overwrite<uint8_t[]>(capacity);
    _capacity = capacity;
  }
  std::memset(_storage.get(), 0, bytes);
  return _storage.get();
}

// Fill pass and frame loop. Inner layers are written first, so that outer
// lengths, checksums and CRCs cover finished bytes.
GeneratedFrameList SingleFragmentation::cutFrames(int32_t callerValue) {
  DatalinkEncapsulator& link = *_datalink;
  const EncapsulatorChain& layers = chain();
  const auto pduSize = static_cast<size_t>(_sized.pduSize);
  const auto count = static_cast<size_t>(link.fragmentCount());
  const auto header = static_cast<size_t>(link.headerSize());
  const size_t framing = header + static_cast<size_t>(link.padding()) + static_cast<size_t>(link.trailerSize());
  const auto unit = static_cast<size_t>(link.fragmented() ? static_cast<int32_t>(link.maxPayload()) : link.payloadSize());
  // Each fragment carries `unit` bytes of the PDU, the last one the rest.
  const size_t carried = std::min(pduSize, count * unit);
  // A PDU travelling whole in one frame is built inside that frame (the
  // datalink layer writes only its header, padding and trailer around it);
  // the pieces of a fragmented one are copied into the frames behind it.
  const bool inPlace = count == 1 && carried == pduSize;
  uint8_t* const block = storage(inPlace ? framing + pduSize : pduSize + count * framing + carried);
  uint8_t* const pdu = inPlace ? block + header : block;
  for (size_t k = 0; k <= static_cast<size_t>(_sized.allocatingIndex); ++k) {
    layers[k]->encapsulate({pdu + _spans[k].offset, _spans[k].size});
  }

  FrameOrigin origin;
  origin.datalinkKind = link.kind();
  origin.streamIndex = payload().streamIndex();
  origin.callerValue = callerValue;
  origin.fragmentCount = static_cast<int32_t>(count);
  origin.taggedPdu = payload().taggedPdu();
  origin.taggedSequence = payload().taggedSequence();
  const std::span<const uint8_t> wholePdu(pdu, pduSize);
  GeneratedFrameList frames;
  frames.reserve(count);
  uint8_t* frame = inPlace ? block : block + pduSize;
  size_t cursor = 0;
  for (size_t i = 1; i <= count; ++i) {
    const size_t length = std::min(unit, pduSize - cursor);
    const std::span<uint8_t> bytes(frame, framing + length);
    if (!inPlace) std::memcpy(frame + header, pdu + cursor, length);
    link.encapsulateFragment(bytes, static_cast<int32_t>(i), static_cast<int32_t>(count));
    origin.fragmentPayloadLength = static_cast<int32_t>(length);
    origin.fragmentNumber = static_cast<int32_t>(i);
    origin.pduOffset = static_cast<int32_t>(cursor);
    frames.emplace_back(enFrameNew, _storage, bytes, origin, wholePdu);
    cursor += length;
    frame += bytes.size();
  }
  return frames;
}

}  // namespace corvel
