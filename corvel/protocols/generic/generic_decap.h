// A user-declared (generic) layer. As a datalink it cannot be parsed: its
// frames are dropped. Inside another layer its header and trailer must fit
// around a payload of at least one byte.
#pragma once

#include "corvel/protocols/decapsulator.h"

namespace corvel {

class GenericDecapsulator : public DatalinkDecapsulator {
 public:
  explicit GenericDecapsulator(const ProtocolConfig& config);

  void parseHeader(CapturedStreamFrame& frame, VerifyReport& report) override;
  bool isPduComplete() const override { return false; }
  using DatalinkDecapsulator::extractPdu;
  void extractPdu(VerifyContext& context, CapturedStreamPdu& pdu) override;
  int32_t verify(ByteView layer, VerifyContext& context) override;
};

}  // namespace corvel
