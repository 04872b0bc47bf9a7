#include "corvel/protocols/transport_decap.h"

#include <algorithm>

#include "corvel/protocols/checksum.h"

namespace corvel {

namespace {

constexpr int32_t kUdpHeader = 8;
constexpr BitField kUdpSourcePort = byteField(0, 2);
constexpr BitField kUdpDestinationPort = byteField(2, 2);
constexpr BitField kUdpLength = byteField(4, 2);
constexpr BitField kUdpChecksum = byteField(6, 2);
constexpr uint64_t kUdpProtocol = 17;

constexpr int32_t kTcpMinHeader = 20;
constexpr BitField kTcpDataOffset{12, 7, 4};
constexpr BitField kTcpChecksum = byteField(16, 2);
constexpr uint64_t kTcpProtocol = 6;

constexpr BitField kRtpVersion{0, 7, 2};
constexpr int32_t kRtpMinHeader = 12;

// The one's-complement sum of the pseudo-header (RFC 768, RFC 793; RFC 8200
// section 8.1 for IPv6): addresses, the protocol and the segment length.
uint64_t pseudoHeaderSum(const VerifyContext& context, uint64_t protocol, uint64_t length) {
  uint64_t sum = onesComplementAdd(0, context.sourceAddress);
  sum = onesComplementAdd(sum, context.destinationAddress);
  return sum + protocol + (length & 0xffff) + (length >> 16);
}

}  // namespace

UdpDecapsulator::UdpDecapsulator(const ProtocolConfig& config) : Decapsulator(config, "UDP", "Udp warning, ") {}

int32_t UdpDecapsulator::verify(ByteView layer, VerifyContext& context) {
  int32_t payload = checkSizes(layer, kUdpHeader, 0, 65527, 1);
  payload = checkInternalSize(payload, static_cast<int64_t>(layer.value(kUdpLength)) - kUdpHeader, context);
  if (payload <= 0) fail("protocol contains no payload.");
  if (warningsOn(context)) {
    if (layer.value(kUdpSourcePort) == 0) warn(context, "SOURCE field is zero");
    if (layer.value(kUdpDestinationPort) == 0) warn(context, "DESTINATION field is zero");
    if (layer.value(kUdpChecksum) == 0) {
      warn(context, "CHECKSUM field is zero");  // no checksum sent (RFC 768)
    } else if (!context.sourceAddress.empty()) {
      const auto segment = layer.bytes().first(static_cast<size_t>(kUdpHeader + payload));
      const uint64_t sum = onesComplementAdd(pseudoHeaderSum(context, kUdpProtocol, segment.size()), segment);
      // With its checksum in, a correct segment sums to all ones; a computed
      // 0 is sent as 0xFFFF, which sums the same.
      if (foldChecksum(sum) != 0xffff) warn(context, "CHECKSUM recomputation does not match stored value");
    }
  }
  context.sourceAddress = {};
  context.destinationAddress = {};
  return payload;
}

TcpDecapsulator::TcpDecapsulator(const ProtocolConfig& config) : Decapsulator(config, "TCP", "Tcp warning, ") {}

int32_t TcpDecapsulator::verify(ByteView layer, VerifyContext& context) {
  const int32_t configured = std::max(kTcpMinHeader, config().headerLength());
  const int32_t payload = checkSizes(layer, configured, 0, 65515, 0);
  if (static_cast<int32_t>(layer.value(kTcpDataOffset)) * 4 != configured)
    fail("the internal header size and actual header size does not match.");
  if (payload <= 0) fail("protocol contains no payload.");
  if (warningsOn(context) && layer.value(kTcpChecksum) != 0) {
    uint64_t sum = 0;
    if (!context.sourceAddress.empty()) {
      sum = onesComplementAdd(pseudoHeaderSum(context, kTcpProtocol, layer.size()), layer.bytes());
    } else {
      // Without an IP layer outside, the checksum covers the header alone.
      sum = onesComplementAdd(0, layer.bytes().first(kTcpMinHeader));
    }
    if (foldChecksum(sum) != 0xffff) warn(context, "CHECKSUM recomputation does not match stored value");
  }
  context.sourceAddress = {};
  context.destinationAddress = {};
  return payload;
}

RtpDecapsulator::RtpDecapsulator(const ProtocolConfig& config) : Decapsulator(config, "Rtp", "Rtp warning, ") {}

int32_t RtpDecapsulator::verify(ByteView layer, VerifyContext& context) {
  const int32_t header = std::max(kRtpMinHeader, config().headerLength());
  const int32_t payload = checkSizes(layer, header, 0, 65535, 0);
  if (payload <= 0) fail("protocol contains no payload.");
  if (layer.value(kRtpVersion) != 2) warn(context, "VERSION field is not 2");
  return payload;
}

}  // namespace corvel
