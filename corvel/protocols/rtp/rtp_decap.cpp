#include "corvel/protocols/rtp/rtp_decap.h"

#include <algorithm>

#include "corvel/protocols/rtp/rtp.h"

namespace corvel {

RtpDecapsulator::RtpDecapsulator(const ProtocolConfig& config) : Decapsulator(config, "Rtp", "Rtp warning, ") {}

int32_t RtpDecapsulator::verify(ByteView layer, VerifyContext& context) {
  const int32_t header = std::max(RtpWire::kSize, config().headerLength());
  const int32_t payload = checkSizes(layer, header, 0, 65535, 0);
  if (payload <= 0) fail("protocol contains no payload.");
  if (layer.value(RtpWire::kVersion) != RtpWire::kVersionNumber) warn(context, "VERSION field is not 2");
  return payload;
}

}  // namespace corvel
