#include "corvel/protocols/dslam/dslam_decap.h"

#include "corvel/protocols/atm/atm.h"
#include "corvel/protocols/dslam/dslam.h"

namespace corvel {

namespace {
// The bits of the DSLAM tag (bytes 0-3) that are neither PT, PPN nor PPT.
constexpr BitField kReservedHigh{0, 6, 15};  // byte 0 bits 6-0, byte 1
constexpr BitField kReservedLow{2, 7, 3};    // byte 2 bits 7-5
}  // namespace

DSlamDecapsulator::DSlamDecapsulator(const ProtocolConfig& config)
    : CellDecapsulator(config, "DSLAM", "DSLAM warning,", DSlamWire::kSize,
                       {"null pointer", "no data allocated to the pointer"}) {}

uint64_t DSlamDecapsulator::connectionOf(ByteView cell) const {
  return cell.value(DSlamWire::kPpn) << 24 | cell.value(DSlamWire::kVpi) << 16 | cell.value(DSlamWire::kVci);
}

bool DSlamDecapsulator::endsPdu(ByteView cell) const { return cell.value(DSlamWire::kEndOfPdu) == 1; }

void DSlamDecapsulator::checkFields(ByteView cell, VerifyContext& context) const {
  if (cell.value(kReservedHigh) != 0 || cell.value(kReservedLow) != 0)
    warn(context, "RES field should not contain data");
  if (cell.value(DSlamWire::kPpt) == 0) warn(context, "PPT not specified");
}

}  // namespace corvel
