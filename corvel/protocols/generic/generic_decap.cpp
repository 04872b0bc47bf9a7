#include "corvel/protocols/generic/generic_decap.h"

namespace corvel {

GenericDecapsulator::GenericDecapsulator(const ProtocolConfig& config)
    : DatalinkDecapsulator(config, "Generic", "Generic warning, ") {}

void GenericDecapsulator::parseHeader(CapturedStreamFrame& frame, VerifyReport& /*report*/) {
  frame.protocolType = static_cast<int32_t>(ProtocolKind::Generic);
}

void GenericDecapsulator::extractPdu(VerifyContext& /*context*/, CapturedStreamPdu& /*pdu*/) {
  // Generic frames never complete a PDU; nothing is held for them.
  takeCurrent();
  fail("payload size is expected to be zero.");
}

int32_t GenericDecapsulator::verify(ByteView layer, VerifyContext& /*context*/) {
  if (layer.bytes().data() == nullptr) fail("null pointer");
  if (layer.empty()) fail("no data allocated to the pointer");
  return checkSizes(layer, config().headerLength(), config().trailerLength(), 65535, 1);
}

}  // namespace corvel
