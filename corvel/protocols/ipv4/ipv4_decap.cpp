#include "corvel/protocols/ipv4/ipv4_decap.h"

#include <algorithm>

#include "corvel/protocols/checksum.h"
#include "corvel/protocols/ip_payload_kind.h"
#include "corvel/protocols/ipv4/ipv4.h"

namespace corvel {

namespace {
constexpr int32_t kIpv4MinHeader = Ipv4Wire::kSize;
}  // namespace

IpV4Decapsulator::IpV4Decapsulator(const ProtocolConfig& config)
    : Decapsulator(config, "IPv4", "IPv4 warning, ") {}

std::optional<ProtocolKind> IpV4Decapsulator::serviceAccessProtocol(ByteView layer) const {
  const std::optional<uint64_t> protocol = layer.field(Ipv4Wire::kProtocol);
  return protocol ? ipPayloadKind(*protocol) : std::nullopt;
}

void IpV4Decapsulator::checkInnerNamed(ByteView layer, ProtocolKind inner) const {
  checkNamedNumber(layer, Ipv4Wire::kProtocol, serviceAccessProtocol(layer), inner, ipProtocolNumber(inner));
}

int32_t IpV4Decapsulator::verify(ByteView layer, VerifyContext& context) {
  // The header length field says where the payload starts; a field below
  // the minimum (or none at all) counts as the minimum.
  const int32_t header = std::max(kIpv4MinHeader, static_cast<int32_t>(layer.value(Ipv4Wire::kHeaderLength)) * 4);
  int32_t payload = checkSizes(layer, header, 0, 65515, 1);
  const int64_t totalLength = static_cast<int64_t>(layer.value(Ipv4Wire::kTotalLength));
  if (totalLength <= 0 && context.lengthsFromContext == 0) fail("internal length is <= 0.");
  payload = checkInternalSize(payload, totalLength - header, context);
  if (payload <= 0) fail("protocol contains no payload.");
  if (warningsOn(context)) {
    if (layer.value(Ipv4Wire::kTimeToLive) == 0) warn(context, "TTL is zero");
    if (layer.value(Ipv4Wire::kChecksum) == 0) warn(context, "CHECKSUM field is zero");
    // A zero source address is reported under the destination's name too.
    if (layer.allZero(Ipv4Wire::kSource)) warn(context, "DEST_ADDR field is zero");
    if (layer.allZero(Ipv4Wire::kDestination)) warn(context, "DEST_ADDR field is zero");
    if (layer.value(Ipv4Wire::kChecksum) != 0 &&
        ipv4HeaderChecksum(layer.bytes().first(static_cast<size_t>(header))) != layer.value(Ipv4Wire::kChecksum))
      warn(context, "CHECKSUM field is not correct");
  }
  context.sourceAddress = layer.sub(Ipv4Wire::kSource).bytes();
  context.destinationAddress = layer.sub(Ipv4Wire::kDestination).bytes();
  return payload;
}

}  // namespace corvel
