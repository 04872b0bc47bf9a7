#include "corvel/protocols/ip_decap.h"

#include <algorithm>

#include "corvel/protocols/checksum.h"

namespace corvel {

namespace {

// IPv4 header fields (RFC 791).
constexpr BitField kIpv4Ihl{0, 3, 4};
constexpr BitField kIpv4TotalLength = byteField(2, 2);
constexpr BitField kIpv4Ttl = byteField(8, 1);
constexpr BitField kIpv4Protocol = byteField(9, 1);
constexpr BitField kIpv4Checksum = byteField(10, 2);
constexpr int32_t kIpv4MinHeader = 20;
// IPv6 header fields (RFC 8200).
constexpr BitField kIpv6Version{0, 7, 4};
constexpr BitField kIpv6FlowLabel{1, 3, 20};
constexpr BitField kIpv6PayloadLength = byteField(4, 2);
constexpr BitField kIpv6NextHeader = byteField(6, 1);
constexpr BitField kIpv6HopLimit = byteField(7, 1);
constexpr int32_t kIpv6Header = 40;

}  // namespace

std::optional<ProtocolKind> ipPayloadKind(uint64_t protocol) {
  switch (protocol) {
    case 6: return ProtocolKind::Tcp;
    case 17: return ProtocolKind::Udp;
    case 41: return ProtocolKind::IpV6;
    default: return std::nullopt;
  }
}

IpV4Decapsulator::IpV4Decapsulator(const ProtocolConfig& config)
    : Decapsulator(config, "IPv4", "IPv4 warning, ") {}

std::optional<ProtocolKind> IpV4Decapsulator::serviceAccessProtocol(ByteView layer) const {
  const std::optional<uint64_t> protocol = layer.field(kIpv4Protocol);
  return protocol ? ipPayloadKind(*protocol) : std::nullopt;
}

int32_t IpV4Decapsulator::verify(ByteView layer, VerifyContext& context) {
  // The header length field says where the payload starts; a field below
  // the minimum (or none at all) counts as the minimum.
  const int32_t header = std::max(kIpv4MinHeader, static_cast<int32_t>(layer.value(kIpv4Ihl)) * 4);
  int32_t payload = checkSizes(layer, header, 0, 65515, 1);
  const int64_t totalLength = static_cast<int64_t>(layer.value(kIpv4TotalLength));
  if (totalLength <= 0 && context.lengthsFromContext == 0) fail("internal length is <= 0.");
  payload = checkInternalSize(payload, totalLength - header, context);
  if (payload <= 0) fail("protocol contains no payload.");
  if (warningsOn(context)) {
    if (layer.value(kIpv4Ttl) == 0) warn(context, "TTL is zero");
    if (layer.value(kIpv4Checksum) == 0) warn(context, "CHECKSUM field is zero");
    if (layer.allZero(12, 4)) warn(context, "DEST_ADDR field is zero");
    if (layer.allZero(16, 4)) warn(context, "DEST_ADDR field is zero");
    // Summed with its checksum, a correct header folds to all ones.
    if (layer.value(kIpv4Checksum) != 0 &&
        foldChecksum(onesComplementAdd(0, layer.bytes().first(static_cast<size_t>(header)))) != 0xffff)
      warn(context, "CHECKSUM field is not correct");
  }
  context.sourceAddress = layer.bytes().subspan(12, 4);
  context.destinationAddress = layer.bytes().subspan(16, 4);
  return payload;
}

IpV6Decapsulator::IpV6Decapsulator(const ProtocolConfig& config)
    : Decapsulator(config, "IpV6", "IPV6 warning, ") {}

std::optional<ProtocolKind> IpV6Decapsulator::serviceAccessProtocol(ByteView layer) const {
  const std::optional<uint64_t> next = layer.field(kIpv6NextHeader);
  return next ? ipPayloadKind(*next) : std::nullopt;
}

int32_t IpV6Decapsulator::verify(ByteView layer, VerifyContext& context) {
  int32_t payload = checkSizes(layer, kIpv6Header, 0, 65535, 1);
  payload = checkInternalSize(payload, static_cast<int64_t>(layer.value(kIpv6PayloadLength)), context);
  if (payload <= 0) fail("protocol contains no payload.");
  if (warningsOn(context)) {
    if (layer.value(kIpv6Version) != 6) warn(context, "VERSION field is not 6");
    if (layer.value(kIpv6FlowLabel) == 0) warn(context, "FLOW LABEL field is zero");
    if (layer.value(kIpv6NextHeader) == 0) warn(context, "NEXT HEADER field not specified");
    if (layer.value(kIpv6HopLimit) == 0) warn(context, "HOP LIMIT field is zero");
    if (layer.allZero(8, 16)) warn(context, "SOURCE field is zero");
    if (layer.allZero(24, 16)) warn(context, "DESTINATION field is zero");
  }
  context.sourceAddress = layer.bytes().subspan(8, 16);
  context.destinationAddress = layer.bytes().subspan(24, 16);
  return payload;
}

}  // namespace corvel
