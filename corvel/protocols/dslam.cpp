#include "corvel/protocols/dslam.h"

#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/protocols/atm.h"

namespace corvel {

namespace {
constexpr BitField kPt{0, 7, 1};
constexpr BitField kPpn{2, 4, 11};
constexpr BitField kPpt{3, 1, 2};
constexpr int32_t kCell = DSlamProtocolConfig::kCellHeaderOffset;
}  // namespace

DSlamProtocolConfig::DSlamProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::DSlam, true) {
  loadHeader(headerHex, kHeaderSize,
             "DSlam header hex value must be represented in a string with 16 characters.",
             "DSlam header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> DSlamProtocolConfig::clone() const {
  return std::make_unique<DSlamProtocolConfig>(*this);
}

bool DSlamProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::AAL5, ProtocolKind::AAL58023, ProtocolKind::Payload});
}

void DSlamProtocolConfig::setPt(int64_t value) { setHeaderField(kPt, value, "Error, value must be 1 or 0."); }

void DSlamProtocolConfig::setPpn(int64_t value) {
  setHeaderField(kPpn, value, "Error, PPN field value must be 0 thru 2047");
}

void DSlamProtocolConfig::setPpt(int64_t value) {
  if (value < 1 || value > 3) throw TextError("Error, PPT field value must be 1, 2, or 3");
  setHeaderField(kPpt, value, "Error, PPT field value must be 1, 2, or 3");
}

void DSlamProtocolConfig::setVpi(int64_t value) { atm_cell::setVpi(mutableHeader(), kCell, value); }
void DSlamProtocolConfig::setVci(int64_t value) { atm_cell::setVci(mutableHeader(), kCell, value); }
void DSlamProtocolConfig::setPti(int64_t value) { atm_cell::setEndOfPdu(mutableHeader(), kCell, value); }
void DSlamProtocolConfig::setClp(int64_t value) { atm_cell::setClp(mutableHeader(), kCell, value); }

uint32_t DSlamProtocolConfig::pt() const { return static_cast<uint32_t>(headerField(kPt)); }
uint32_t DSlamProtocolConfig::ppn() const { return static_cast<uint32_t>(headerField(kPpn)); }
uint32_t DSlamProtocolConfig::ppt() const { return static_cast<uint32_t>(headerField(kPpt)); }
uint32_t DSlamProtocolConfig::vpi() const {
  return static_cast<uint32_t>(headerField(atm_cell::vpi(kCell)));
}
uint32_t DSlamProtocolConfig::vci() const {
  return static_cast<uint32_t>(headerField(atm_cell::vci(kCell)));
}
uint32_t DSlamProtocolConfig::pti() const {
  return static_cast<uint32_t>(headerField(atm_cell::endOfPdu(kCell)));
}
uint32_t DSlamProtocolConfig::clp() const {
  return static_cast<uint32_t>(headerField(atm_cell::clp(kCell)));
}

void DSlamProtocolConfig::dump() const {
  const PrintUtility console;
  const auto h = headerBytes();
  console.print("Corvel> DSLAM: %02x %02x %02x %02x %02x %02x %02x %02x VPI: %u VCI: %u\n", h[0], h[1],
                h[2], h[3], h[4], h[5], h[6], h[7], vpi(), vci());
}

}  // namespace corvel
