#include "corvel/protocols/interpyx/interpyx.h"

#include "corvel/base/text_error.h"

namespace corvel {

namespace {
constexpr const char* kOneBit = "Error, value must be 1 or 0.";
}  // namespace

InterPyxProtocolConfig::InterPyxProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::InterPyx, true) {
  loadHeader(headerHex, InterPyxWire::kSize,
             "InterPyx header hex value must be represented in a string with 16 characters.",
             "InterPyx header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> InterPyxProtocolConfig::clone() const {
  return std::make_unique<InterPyxProtocolConfig>(*this);
}

bool InterPyxProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::AAL5, ProtocolKind::AAL58023, ProtocolKind::Generic,
                             ProtocolKind::Payload});
}

void InterPyxProtocolConfig::setCi(int64_t value) { setHeaderField(InterPyxWire::kCi, value, kOneBit); }
void InterPyxProtocolConfig::setAi(int64_t value) { setHeaderField(InterPyxWire::kAi, value, kOneBit); }
void InterPyxProtocolConfig::setMi(int64_t value) { setHeaderField(InterPyxWire::kMi, value, kOneBit); }

void InterPyxProtocolConfig::setCt(int64_t value) {
  constexpr const char* kMessage = "Error, value must be 1, 2, or 4.";
  if (value != 1 && value != 2 && value != 4) throw TextError(kMessage);
  setHeaderField(InterPyxWire::kCt, value, kMessage);
}

void InterPyxProtocolConfig::setClp(int64_t value) { setHeaderField(InterPyxWire::kClp, value, kOneBit); }
void InterPyxProtocolConfig::setPri(int64_t value) {
  setHeaderField(InterPyxWire::kPri, value, "Error, value must be 0 thru 31");
}
void InterPyxProtocolConfig::setSt(int64_t value) {
  setHeaderField(InterPyxWire::kSt, value, "Error, value must be 0 thru 15");
}
void InterPyxProtocolConfig::setLengthUnits(int64_t value) {
  setHeaderField(InterPyxWire::kLengthUnits, value, "Error, value must be 0 thru 8191");
}
void InterPyxProtocolConfig::setLengthRemainder(int64_t value) {
  setHeaderField(InterPyxWire::kLengthRemainder, value, "Error, value must be 0 thru 7.");
}
void InterPyxProtocolConfig::setSource(int64_t value) {
  setHeaderField(InterPyxWire::kSource, value, "Error, value must be 0 thru 65535");
}
void InterPyxProtocolConfig::setDestination(int64_t value) {
  setHeaderField(InterPyxWire::kDestination, value, "Error, value must be 0 thru 65535");
}

uint32_t InterPyxProtocolConfig::ci() const { return static_cast<uint32_t>(headerField(InterPyxWire::kCi)); }
uint32_t InterPyxProtocolConfig::ai() const { return static_cast<uint32_t>(headerField(InterPyxWire::kAi)); }
uint32_t InterPyxProtocolConfig::mi() const { return static_cast<uint32_t>(headerField(InterPyxWire::kMi)); }
uint32_t InterPyxProtocolConfig::ct() const { return static_cast<uint32_t>(headerField(InterPyxWire::kCt)); }
uint32_t InterPyxProtocolConfig::clp() const {
  return static_cast<uint32_t>(headerField(InterPyxWire::kClp));
}
uint32_t InterPyxProtocolConfig::pri() const {
  return static_cast<uint32_t>(headerField(InterPyxWire::kPri));
}
uint32_t InterPyxProtocolConfig::st() const { return static_cast<uint32_t>(headerField(InterPyxWire::kSt)); }
uint32_t InterPyxProtocolConfig::lengthUnits() const {
  return static_cast<uint32_t>(headerField(InterPyxWire::kLengthUnits));
}
uint32_t InterPyxProtocolConfig::lengthRemainder() const {
  return static_cast<uint32_t>(headerField(InterPyxWire::kLengthRemainder));
}
uint32_t InterPyxProtocolConfig::frameLength() const {
  return static_cast<uint32_t>(headerField(InterPyxWire::kFrameLength));
}
uint32_t InterPyxProtocolConfig::source() const {
  return static_cast<uint32_t>(headerField(InterPyxWire::kSource));
}
uint32_t InterPyxProtocolConfig::destination() const {
  return static_cast<uint32_t>(headerField(InterPyxWire::kDestination));
}

}  // namespace corvel
