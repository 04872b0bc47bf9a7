#include "corvel/protocols/full_header/full_header.h"

#include <vector>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {
constexpr int32_t kFieldSize = 2;
constexpr BitField kGeneration{0, 5, 6};
constexpr BitField kSequence{1, 3, 4};
constexpr BitField kValue = byteField(0, 2);
constexpr uint8_t kFullHeaderMark = 0xc0;  // bits 15-14 of the first length field
}  // namespace

FullHeaderProtocolConfig::FullHeaderProtocolConfig() : ProtocolConfig(ProtocolKind::FullHeader, false) {
  std::vector<uint8_t> first(kFieldSize, 0);
  first[0] = kFullHeaderMark;
  assignHeader(std::move(first));
  assignTrailer(std::vector<uint8_t>(kFieldSize, 0));
}

std::unique_ptr<ProtocolConfig> FullHeaderProtocolConfig::clone() const {
  return std::make_unique<FullHeaderProtocolConfig>(*this);
}

bool FullHeaderProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::IpV4, ProtocolKind::IpV6});
}

void FullHeaderProtocolConfig::setGeneration(int64_t value) {
  setHeaderField(kGeneration, value, "GENERATION value must be 0 thru 63");
}

void FullHeaderProtocolConfig::setSequence(int64_t value) {
  setHeaderField(kSequence, value, "value must be 0 thru 15");
}

void FullHeaderProtocolConfig::setContextId(int64_t value) {
  if (!bitFieldFits(kValue, value)) throw TextError("value must be 0 thru 65535");
  std::vector<uint8_t> trailer(kFieldSize, 0);
  writeBitField(trailer, kValue, static_cast<uint64_t>(value));
  assignTrailer(std::move(trailer));
}

uint32_t FullHeaderProtocolConfig::generation() const {
  return static_cast<uint32_t>(headerField(kGeneration));
}
uint32_t FullHeaderProtocolConfig::sequence() const { return static_cast<uint32_t>(headerField(kSequence)); }
uint32_t FullHeaderProtocolConfig::contextId() const { return secondLengthValue(); }

uint16_t FullHeaderProtocolConfig::firstLengthValue() const {
  return static_cast<uint16_t>(headerField(kValue));
}

uint16_t FullHeaderProtocolConfig::secondLengthValue() const {
  return static_cast<uint16_t>(readBitField(trailerBytes(), kValue));
}

}  // namespace corvel
