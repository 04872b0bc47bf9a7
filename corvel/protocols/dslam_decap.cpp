#include "corvel/protocols/dslam_decap.h"

#include "corvel/protocols/atm.h"
#include "corvel/protocols/dslam.h"

namespace corvel {

namespace {
// The DSLAM tag (bytes 0-3): PT byte 0 bit 7, PPN 11 bits from byte 2 bit 4,
// PPT byte 3 bits 1-0; every other bit is reserved.
constexpr BitField kPpn{2, 4, 11};
constexpr BitField kPpt{3, 1, 2};
constexpr BitField kReservedHigh{0, 6, 15};  // byte 0 bits 6-0, byte 1
constexpr BitField kReservedLow{2, 7, 3};    // byte 2 bits 7-5
constexpr int32_t kCell = DSlamProtocolConfig::kCellHeaderOffset;
}  // namespace

DSlamDecapsulator::DSlamDecapsulator(const ProtocolConfig& config)
    : CellDecapsulator(config, "DSLAM", "DSLAM warning,", DSlamProtocolConfig::kHeaderSize,
                       {"null pointer", "no data allocated to the pointer"}) {}

uint64_t DSlamDecapsulator::connectionOf(ByteView cell) const {
  return cell.value(kPpn) << 24 | cell.value(atm_cell::vpi(kCell)) << 16 | cell.value(atm_cell::vci(kCell));
}

bool DSlamDecapsulator::endsPdu(ByteView cell) const { return cell.value(atm_cell::endOfPdu(kCell)) == 1; }

void DSlamDecapsulator::checkFields(ByteView cell, VerifyContext& context) const {
  if (cell.value(kReservedHigh) != 0 || cell.value(kReservedLow) != 0)
    warn(context, "RES field should not contain data");
  if (cell.value(kPpt) == 0) warn(context, "PPT not specified");
}

}  // namespace corvel
