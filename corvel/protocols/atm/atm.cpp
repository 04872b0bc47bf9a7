#include "corvel/protocols/atm/atm.h"

#include "corvel/base/print_utility.h"

namespace corvel {

AtmProtocolConfig::AtmProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::Atm, true) {
  loadHeader(headerHex, AtmWire::kSize,
             "ATM header hex value must be represented in a string with 8 characters.",
             "ATM header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> AtmProtocolConfig::clone() const {
  return std::make_unique<AtmProtocolConfig>(*this);
}

bool AtmProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::AAL5, ProtocolKind::Generic, ProtocolKind::Payload});
}

void AtmProtocolConfig::setVpi(int64_t value) { setHeaderField(AtmWire::kVpi, value, atm_cell::kVpiRange); }
void AtmProtocolConfig::setVci(int64_t value) { setHeaderField(AtmWire::kVci, value, atm_cell::kVciRange); }
void AtmProtocolConfig::setPti(int64_t value) {
  setHeaderField(AtmWire::kEndOfPdu, value, atm_cell::kPtiRange);
}
void AtmProtocolConfig::setClp(int64_t value) { setHeaderField(AtmWire::kClp, value, atm_cell::kClpRange); }

uint32_t AtmProtocolConfig::vpi() const { return static_cast<uint32_t>(headerField(AtmWire::kVpi)); }
uint32_t AtmProtocolConfig::vci() const { return static_cast<uint32_t>(headerField(AtmWire::kVci)); }
uint32_t AtmProtocolConfig::pti() const { return static_cast<uint32_t>(headerField(AtmWire::kEndOfPdu)); }
uint32_t AtmProtocolConfig::clp() const { return static_cast<uint32_t>(headerField(AtmWire::kClp)); }

void AtmProtocolConfig::dump() const {
  const PrintUtility console;
  const auto h = headerBytes();
  console.print("Corvel> ATM: %02x %02x %02x %02x VPI: %u VCI: %u\n", h[0], h[1], h[2], h[3], vpi(), vci());
}

}  // namespace corvel
