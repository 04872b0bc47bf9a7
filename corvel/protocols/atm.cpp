#include "corvel/protocols/atm.h"

#include "corvel/base/print_utility.h"

namespace corvel {

namespace atm_cell {

void setVpi(std::span<uint8_t> bytes, int32_t at, int64_t value) {
  setBitField(bytes, vpi(at), value, "value exceeds vpi range");
}
void setVci(std::span<uint8_t> bytes, int32_t at, int64_t value) {
  setBitField(bytes, vci(at), value, "value exceeds vci range");
}
void setEndOfPdu(std::span<uint8_t> bytes, int32_t at, int64_t value) {
  setBitField(bytes, endOfPdu(at), value, "value exceeds pti range");
}
void setClp(std::span<uint8_t> bytes, int32_t at, int64_t value) {
  setBitField(bytes, clp(at), value, "value exceeds clp range");
}

}  // namespace atm_cell

AtmProtocolConfig::AtmProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::Atm, true) {
  loadHeader(headerHex, atm_cell::kSize,
             "ATM header hex value must be represented in a string with 8 characters.",
             "ATM header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> AtmProtocolConfig::clone() const {
  return std::make_unique<AtmProtocolConfig>(*this);
}

bool AtmProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::AAL5, ProtocolKind::Generic, ProtocolKind::Payload});
}

void AtmProtocolConfig::setVpi(int64_t value) { atm_cell::setVpi(mutableHeader(), 0, value); }
void AtmProtocolConfig::setVci(int64_t value) { atm_cell::setVci(mutableHeader(), 0, value); }
void AtmProtocolConfig::setPti(int64_t value) { atm_cell::setEndOfPdu(mutableHeader(), 0, value); }
void AtmProtocolConfig::setClp(int64_t value) { atm_cell::setClp(mutableHeader(), 0, value); }

uint32_t AtmProtocolConfig::vpi() const { return static_cast<uint32_t>(headerField(atm_cell::vpi(0))); }
uint32_t AtmProtocolConfig::vci() const { return static_cast<uint32_t>(headerField(atm_cell::vci(0))); }
uint32_t AtmProtocolConfig::pti() const {
  return static_cast<uint32_t>(headerField(atm_cell::endOfPdu(0)));
}
uint32_t AtmProtocolConfig::clp() const { return static_cast<uint32_t>(headerField(atm_cell::clp(0))); }

void AtmProtocolConfig::dump() const {
  const PrintUtility console;
  const auto h = headerBytes();
  console.print("Corvel> ATM: %02x %02x %02x %02x VPI: %u VCI: %u\n", h[0], h[1], h[2], h[3], vpi(), vci());
}

}  // namespace corvel
