#include "corvel/protocols/dslam/dslam.h"

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"

namespace corvel {

DSlamProtocolConfig::DSlamProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::DSlam, true) {
  loadHeader(headerHex, DSlamWire::kSize,
             "DSlam header hex value must be represented in a string with 16 characters.",
             "DSlam header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> DSlamProtocolConfig::clone() const {
  return std::make_unique<DSlamProtocolConfig>(*this);
}

bool DSlamProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::AAL5, ProtocolKind::AAL58023, ProtocolKind::Payload});
}

void DSlamProtocolConfig::setPt(int64_t value) {
  setHeaderField(DSlamWire::kPt, value, "Error, value must be 1 or 0.");
}

void DSlamProtocolConfig::setPpn(int64_t value) {
  setHeaderField(DSlamWire::kPpn, value, "Error, PPN field value must be 0 thru 2047");
}

void DSlamProtocolConfig::setPpt(int64_t value) {
  if (value < 1 || value > 3) throw TextError("Error, PPT field value must be 1, 2, or 3");
  setHeaderField(DSlamWire::kPpt, value, "Error, PPT field value must be 1, 2, or 3");
}

void DSlamProtocolConfig::setVpi(int64_t value) {
  setHeaderField(DSlamWire::kVpi, value, atm_cell::kVpiRange);
}
void DSlamProtocolConfig::setVci(int64_t value) {
  setHeaderField(DSlamWire::kVci, value, atm_cell::kVciRange);
}
void DSlamProtocolConfig::setPti(int64_t value) {
  setHeaderField(DSlamWire::kEndOfPdu, value, atm_cell::kPtiRange);
}
void DSlamProtocolConfig::setClp(int64_t value) {
  setHeaderField(DSlamWire::kClp, value, atm_cell::kClpRange);
}

uint32_t DSlamProtocolConfig::pt() const { return static_cast<uint32_t>(headerField(DSlamWire::kPt)); }
uint32_t DSlamProtocolConfig::ppn() const { return static_cast<uint32_t>(headerField(DSlamWire::kPpn)); }
uint32_t DSlamProtocolConfig::ppt() const { return static_cast<uint32_t>(headerField(DSlamWire::kPpt)); }
uint32_t DSlamProtocolConfig::vpi() const { return static_cast<uint32_t>(headerField(DSlamWire::kVpi)); }
uint32_t DSlamProtocolConfig::vci() const { return static_cast<uint32_t>(headerField(DSlamWire::kVci)); }
uint32_t DSlamProtocolConfig::pti() const { return static_cast<uint32_t>(headerField(DSlamWire::kEndOfPdu)); }
uint32_t DSlamProtocolConfig::clp() const { return static_cast<uint32_t>(headerField(DSlamWire::kClp)); }

void DSlamProtocolConfig::dump() const {
  const PrintUtility console;
  const auto h = headerBytes();
  console.print("Corvel> DSLAM: %02x %02x %02x %02x %02x %02x %02x %02x VPI: %u VCI: %u\n", h[0], h[1],
                h[2], h[3], h[4], h[5], h[6], h[7], vpi(), vci());
}

}  // namespace corvel
