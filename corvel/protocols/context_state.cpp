#include "corvel/protocols/context_state.h"

#include <vector>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {
constexpr int32_t kHeadSize = 2;
constexpr int32_t kEntrySize = 4;
constexpr uint8_t kSixteenBitIdentifiers = 2;

constexpr BitField contextIdAt(int32_t at) { return {at, 7, 16}; }
constexpr BitField invalidateAt(int32_t at) { return {at + 2, 7, 1}; }
constexpr BitField sequenceAt(int32_t at) { return {at + 2, 3, 4}; }
constexpr BitField generationAt(int32_t at) { return {at + 3, 5, 6}; }
}  // namespace

ContextStateProtocolConfig::ContextStateProtocolConfig(int32_t contextCount)
    : PayloadConfig(PayloadKind::ContextState), _contextCount(contextCount) {
  if (contextCount < 1 || contextCount > 255) throw TextError("context count must 1 thru 255");
  std::vector<uint8_t> message(static_cast<size_t>(kHeadSize + kEntrySize * contextCount), 0);
  message[0] = kSixteenBitIdentifiers;
  message[1] = static_cast<uint8_t>(contextCount);
  assignHeader(std::move(message));
  _iterations = 1;
  recount();
}

std::unique_ptr<ProtocolConfig> ContextStateProtocolConfig::clone() const {
  return std::make_unique<ContextStateProtocolConfig>(*this);
}

void ContextStateProtocolConfig::recount() { _sizesPerIteration = 1; }

int32_t ContextStateProtocolConfig::entryOffset(int32_t index) const {
  if (index < 0 || index > 255) throw TextError("index must be 0 thru 255");
  // An index past the configured count would write beyond the message.
  if (index >= _contextCount) throw TextError("index exceeds the context count");
  return kHeadSize + kEntrySize * index;
}

void ContextStateProtocolConfig::setContextId(int32_t index, int64_t value) {
  setHeaderField(contextIdAt(entryOffset(index)), value, "value must be 0 thru 65535");
}

void ContextStateProtocolConfig::setInvalidate(int32_t index, int64_t value) {
  setHeaderField(invalidateAt(entryOffset(index)), value, "value must be 1 or 0.");
}

void ContextStateProtocolConfig::setSequence(int32_t index, int64_t value) {
  setHeaderField(sequenceAt(entryOffset(index)), value, "value must be 0 thru 15");
}

void ContextStateProtocolConfig::setGeneration(int32_t index, int64_t value) {
  setHeaderField(generationAt(entryOffset(index)), value, "GENERATION value must be 0 thru 63");
}

uint32_t ContextStateProtocolConfig::contextId(int32_t index) const {
  return static_cast<uint32_t>(headerField(contextIdAt(entryOffset(index))));
}
uint32_t ContextStateProtocolConfig::invalidate(int32_t index) const {
  return static_cast<uint32_t>(headerField(invalidateAt(entryOffset(index))));
}
uint32_t ContextStateProtocolConfig::sequence(int32_t index) const {
  return static_cast<uint32_t>(headerField(sequenceAt(entryOffset(index))));
}
uint32_t ContextStateProtocolConfig::generation(int32_t index) const {
  return static_cast<uint32_t>(headerField(generationAt(entryOffset(index))));
}

}  // namespace corvel
