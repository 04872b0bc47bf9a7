#include "corvel/protocols/interpyx.h"

#include "corvel/base/text_error.h"

namespace corvel {

namespace {
constexpr BitField kCi{0, 7, 1};
constexpr BitField kAi{0, 6, 1};
constexpr BitField kMi{0, 5, 1};
constexpr BitField kCt{0, 4, 3};
constexpr BitField kClp{0, 1, 1};
constexpr BitField kPri{0, 0, 5};
constexpr BitField kSt{1, 3, 4};
constexpr BitField kLengthUnits{2, 7, 13};
constexpr BitField kLengthRemainder{3, 2, 3};
constexpr BitField kFrameLength = byteField(2, 2);
constexpr BitField kSource = byteField(4, 2);
constexpr BitField kDestination = byteField(6, 2);
constexpr const char* kOneBit = "Error, value must be 1 or 0.";
}  // namespace

InterPyxProtocolConfig::InterPyxProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::InterPyx, true) {
  loadHeader(headerHex, kHeaderSize,
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

void InterPyxProtocolConfig::setCi(int64_t value) { setHeaderField(kCi, value, kOneBit); }
void InterPyxProtocolConfig::setAi(int64_t value) { setHeaderField(kAi, value, kOneBit); }
void InterPyxProtocolConfig::setMi(int64_t value) { setHeaderField(kMi, value, kOneBit); }

void InterPyxProtocolConfig::setCt(int64_t value) {
  constexpr const char* kMessage = "Error, value must be 1, 2, or 4.";
  if (value != 1 && value != 2 && value != 4) throw TextError(kMessage);
  setHeaderField(kCt, value, kMessage);
}

void InterPyxProtocolConfig::setClp(int64_t value) { setHeaderField(kClp, value, kOneBit); }
void InterPyxProtocolConfig::setPri(int64_t value) {
  setHeaderField(kPri, value, "Error, value must be 0 thru 31");
}
void InterPyxProtocolConfig::setSt(int64_t value) {
  setHeaderField(kSt, value, "Error, value must be 0 thru 15");
}
void InterPyxProtocolConfig::setLengthUnits(int64_t value) {
  setHeaderField(kLengthUnits, value, "Error, value must be 0 thru 8191");
}
void InterPyxProtocolConfig::setLengthRemainder(int64_t value) {
  setHeaderField(kLengthRemainder, value, "Error, value must be 0 thru 7.");
}
void InterPyxProtocolConfig::setSource(int64_t value) {
  setHeaderField(kSource, value, "Error, value must be 0 thru 65535");
}
void InterPyxProtocolConfig::setDestination(int64_t value) {
  setHeaderField(kDestination, value, "Error, value must be 0 thru 65535");
}

uint32_t InterPyxProtocolConfig::ci() const { return static_cast<uint32_t>(headerField(kCi)); }
uint32_t InterPyxProtocolConfig::ai() const { return static_cast<uint32_t>(headerField(kAi)); }
uint32_t InterPyxProtocolConfig::mi() const { return static_cast<uint32_t>(headerField(kMi)); }
uint32_t InterPyxProtocolConfig::ct() const { return static_cast<uint32_t>(headerField(kCt)); }
uint32_t InterPyxProtocolConfig::clp() const { return static_cast<uint32_t>(headerField(kClp)); }
uint32_t InterPyxProtocolConfig::pri() const { return static_cast<uint32_t>(headerField(kPri)); }
uint32_t InterPyxProtocolConfig::st() const { return static_cast<uint32_t>(headerField(kSt)); }
uint32_t InterPyxProtocolConfig::lengthUnits() const {
  return static_cast<uint32_t>(headerField(kLengthUnits));
}
uint32_t InterPyxProtocolConfig::lengthRemainder() const {
  return static_cast<uint32_t>(headerField(kLengthRemainder));
}
uint32_t InterPyxProtocolConfig::frameLength() const {
  return static_cast<uint32_t>(headerField(kFrameLength));
}
uint32_t InterPyxProtocolConfig::source() const { return static_cast<uint32_t>(headerField(kSource)); }
uint32_t InterPyxProtocolConfig::destination() const {
  return static_cast<uint32_t>(headerField(kDestination));
}

}  // namespace corvel
