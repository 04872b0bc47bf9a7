#include "corvel/protocols/full_header/full_header_decap.h"

namespace corvel {

namespace {
constexpr double kMaxPayload = 65535;
constexpr double kMinPayload = 1;
}  // namespace

FullHeaderDecapsulator::FullHeaderDecapsulator(const ProtocolConfig& config)
    : Decapsulator(config, "FullHeader", "") {}

// The configured header and trailer hold the values written into the inner
// length fields; none of them is on the wire.
// The two layers inside carry the context in their length fields.
int32_t FullHeaderDecapsulator::verify(ByteView layer, VerifyContext& context) {
  const int32_t payload = checkSizes(layer, 0, 0, kMaxPayload, kMinPayload);
  context.lengthsFromContext = 2;
  return payload;
}

}  // namespace corvel
