// DSLAM cells: an 8-byte header (a 4-byte DSLAM tag, then the ATM cell
// header) and 48 payload bytes. A connection is the physical port number of
// the tag together with the VPI/VCI of the cell header, so the same virtual
// circuit on two DSLAM ports is reassembled apart.
#pragma once

#include "corvel/protocols/atm/atm_decap.h"

namespace corvel {

class DSlamDecapsulator : public CellDecapsulator {
 public:
  explicit DSlamDecapsulator(const ProtocolConfig& config);

 protected:
  uint64_t connectionOf(ByteView cell) const override;
  bool endsPdu(ByteView cell) const override;
  // "RES field should not contain data" for any reserved tag bit set,
  // "PPT not specified" for a port type of 0.
  void checkFields(ByteView cell, VerifyContext& context) const override;
};

}  // namespace corvel
