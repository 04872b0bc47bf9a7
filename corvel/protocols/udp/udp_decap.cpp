#include "corvel/protocols/udp/udp_decap.h"

#include "corvel/protocols/checksum.h"
#include "corvel/protocols/udp/udp.h"

namespace corvel {

UdpDecapsulator::UdpDecapsulator(const ProtocolConfig& config) : Decapsulator(config, "UDP", "Udp warning, ") {}

int32_t UdpDecapsulator::verify(ByteView layer, VerifyContext& context) {
  const bool empty = context.emptyPayloadAllowed;
  int32_t payload = checkSizes(layer, UdpWire::kSize, 0, 65527, empty ? 0 : 1);
  payload = checkInternalSize(payload, static_cast<int64_t>(layer.value(UdpWire::kLength)) - UdpWire::kSize, context);
  if (payload < 0 || (payload == 0 && !empty)) fail("protocol contains no payload.");
  if (warningsOn(context)) {
    if (layer.value(UdpWire::kSourcePort) == 0) warn(context, "SOURCE field is zero");
    if (layer.value(UdpWire::kDestinationPort) == 0) warn(context, "DESTINATION field is zero");
    if (layer.value(UdpWire::kChecksum) == 0) {
      warn(context, "CHECKSUM field is zero");  // no checksum sent (RFC 768)
    } else if (!context.sourceAddress.empty()) {
      const auto datagram = layer.bytes().first(static_cast<size_t>(UdpWire::kSize + payload));
      // The pseudo-header of the IP layer just outside (RFC 768; RFC 8200 section 8.1).
      const uint64_t pseudo = pseudoHeaderSum(context.sourceAddress, context.destinationAddress, kIpProtocolUdp);
      if (udpChecksum(pseudo, datagram) != layer.value(UdpWire::kChecksum))
        warn(context, "CHECKSUM recomputation does not match stored value");
    }
  }
  context.sourceAddress = {};
  context.destinationAddress = {};
  return payload;
}

}  // namespace corvel
