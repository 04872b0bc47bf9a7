#include "corvel/tcs/tcs_transport_protocol.h"

#include <array>

#include "corvel/protocols/rtp.h"
#include "corvel/protocols/tcp.h"
#include "corvel/protocols/udp.h"

namespace corvel {

namespace {

constexpr size_t kUdpHeaderDigits = HexDigits(UdpWire::kSize);
constexpr size_t kTcpHeaderDigits = HexDigits(TcpWire::kSize);
constexpr size_t kRtpHeaderDigits = HexDigits(RtpWire::kSize);

using Udp = UdpProtocolConfig;
const std::array kUdpFields = {
    IntField<Udp>("src_port", &Udp::setSourcePort),
    IntField<Udp>("dest_port", &Udp::setDestinationPort),
};

using Tcp = TcpProtocolConfig;
const std::array kTcpFields = {
    IntField<Tcp>("src_port", &Tcp::setSourcePort),
    IntField<Tcp>("dest_port", &Tcp::setDestinationPort),
};

using Rtp = RtpProtocolConfig;
// The timestamp and the source identifier use all 32 bits: they are read
// 64 bits wide so a value above 2^31 - 1 is kept rather than clamped, and a
// value beyond 32 bits is refused by the setter.
const std::array kRtpFields = {
    IntField<Rtp>("version", &Rtp::setVersion),
    IntField<Rtp>("padding", &Rtp::setPadding),
    IntField<Rtp>("extention", &Rtp::setExtension),
    IntField<Rtp>("CSRC_count", &Rtp::setCsrcCount),
    IntField<Rtp>("marker", &Rtp::setMarker),
    IntField<Rtp>("payload_type", &Rtp::setPayloadType),
    IntField<Rtp>("seq_number", &Rtp::setSequenceNumber),
    WideIntField<Rtp>("time_stamp", &Rtp::setTimestamp),
    WideIntField<Rtp>("source_id", &Rtp::setSsrc),
};

// Only a capture set verifies frames, so only it takes a validation level.
void ApplyCaptureValidation(ProtocolConfig& config, const ProtocolElement& element) {
  if (element.setType != enSetTypeCapture) return;
  if (const std::optional<int32_t> level = IntAttribute(element.node, "validate_level")) {
    const PlaceScope place(element.node, "validate_level");
    config.setValidateLevel(*level);
  }
}

}  // namespace

ProtocolPtr ReadUdpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsUdpProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = ReadOwnHeader(element.node, kUdpHeaderDigits);
    if (!header) return nullptr;
    auto config = MakeConfig<Udp>(element.node, *header);
    // As a policy's flow key the element also yields its mask: every bit set
    // but the fields it names, so the inverted mask selects exactly those.
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    ApplyFields<Udp>(*config, element.node, kUdpFields, mask);
    ApplyCaptureValidation(*config, element);
    return config;
  });
}

ProtocolPtr ReadTcpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsTcpProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = ReadOwnHeader(element.node, kTcpHeaderDigits);
    if (!header) return nullptr;
    auto config = MakeConfig<Tcp>(element.node, *header);
    // As a policy's flow key the element also yields its mask: every bit set
    // but the fields it names, so the inverted mask selects exactly those.
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    ApplyFields<Tcp>(*config, element.node, kTcpFields, mask);
    ApplyCaptureValidation(*config, element);
    return config;
  });
}

ProtocolPtr ReadRtpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, "TcsRtpProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = ReadOwnHeader(element.node, kRtpHeaderDigits);
    if (!header) return nullptr;
    auto config = MakeConfig<Rtp>(element.node, *header);
    // As a policy's flow key the element also yields its mask: every bit set
    // but the fields it names, so the inverted mask selects exactly those.
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    ApplyFields<Rtp>(*config, element.node, kRtpFields, mask);
    ApplyCaptureValidation(*config, element);
    return config;
  });
}

}  // namespace corvel
