#include "corvel/tcs/tcs_transport_protocol.h"

#include <array>

#include "corvel/protocols/rtp/rtp.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr size_t kUdpHeaderDigits = hexDigits(UdpWire::kSize);
constexpr size_t kTcpHeaderDigits = hexDigits(TcpWire::kSize);
constexpr size_t kRtpHeaderDigits = hexDigits(RtpWire::kSize);

using Udp = UdpProtocolConfig;
const std::array kUdpAttributes = {
    intField<Udp>(UdpWire::kSourcePort, &Udp::setSourcePort),
    intField<Udp>(UdpWire::kDestinationPort, &Udp::setDestinationPort),
};

using Tcp = TcpProtocolConfig;
const std::array kTcpAttributes = {
    intField<Tcp>(TcpWire::kSourcePort, &Tcp::setSourcePort),
    intField<Tcp>(TcpWire::kDestinationPort, &Tcp::setDestinationPort),
};

using Rtp = RtpProtocolConfig;
// The timestamp and the source identifier use all 32 bits: they are read
// 64 bits wide so a value above 2^31 - 1 is kept rather than clamped, and a
// value beyond 32 bits is refused by the setter.
const std::array kRtpAttributes = {
    intField<Rtp>(RtpWire::kVersion, &Rtp::setVersion),
    intField<Rtp>(RtpWire::kPadding, &Rtp::setPadding),
    intField<Rtp>(RtpWire::kExtension, &Rtp::setExtension),
    intField<Rtp>(RtpWire::kCsrcCount, &Rtp::setCsrcCount),
    intField<Rtp>(RtpWire::kMarker, &Rtp::setMarker),
    intField<Rtp>(RtpWire::kPayloadType, &Rtp::setPayloadType),
    intField<Rtp>(RtpWire::kSequenceNumber, &Rtp::setSequenceNumber),
    wideIntField<Rtp>(RtpWire::kTimestamp, &Rtp::setTimestamp),
    wideIntField<Rtp>(RtpWire::kSsrc, &Rtp::setSsrc),
};

// The one value seq_step takes; any other is refused rather than ignored.
constexpr std::string_view kSequenceStepAttribute = "seq_step";
constexpr std::string_view kSequenceStepPayload = "payload";

// seq_step="payload": the stream's segments advance their sequence numbers
// by their payload lengths, as a sender's do.
void applySequenceStep(Tcp& config, const xmlNode* node) {
  const std::optional<std::string> step = GetAttribute(node, kSequenceStepAttribute);
  if (!step) return;
  const PlaceScope place(node, kSequenceStepAttribute);
  if (*step != kSequenceStepPayload) throw TextError("seq_step must be \"payload\"");
  config.setSequenceStepsByPayload(true);
}

// Only a capture set verifies frames, so only it takes a validation level.
void applyCaptureValidation(ProtocolConfig& config, const ProtocolElement& element) {
  if (element.setType != enSetTypeCapture) return;
  if (const std::optional<int32_t> level = intAttribute(element.node, "validate_level")) {
    const PlaceScope place(element.node, "validate_level");
    config.setValidateLevel(*level);
  }
}

}  // namespace

ProtocolPtr readUdpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsUdpProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kUdpHeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<Udp>(element.node, *header);
    // As a policy's flow key the element also yields its mask: every bit set
    // but the fields it names, so the inverted mask selects exactly those.
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    applyFields<Udp>(*config, element.node, kUdpAttributes, mask);
    applyCaptureValidation(*config, element);
    return config;
  });
}

ProtocolPtr readTcpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsTcpProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kTcpHeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<Tcp>(element.node, *header);
    // As a policy's flow key the element also yields its mask: every bit set
    // but the fields it names, so the inverted mask selects exactly those.
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    applyFields<Tcp>(*config, element.node, kTcpAttributes, mask);
    applySequenceStep(*config, element.node);
    applyCaptureValidation(*config, element);
    return config;
  });
}

ProtocolPtr readRtpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, "TcsRtpProtocol", element, [&]() -> ProtocolPtr {
    const std::optional<std::string> header = readOwnHeader(element.node, kRtpHeaderDigits);
    if (!header) return nullptr;
    auto config = makeConfig<Rtp>(element.node, *header);
    // As a policy's flow key the element also yields its mask: every bit set
    // but the fields it names, so the inverted mask selects exactly those.
    const bool mask = element.isMask();
    if (mask) config->makeMask();
    applyFields<Rtp>(*config, element.node, kRtpAttributes, mask);
    applyCaptureValidation(*config, element);
    return config;
  });
}

void describeUdpAttributes(AttributeDocs& out) {
  describeOwnHeader(out, kUdpHeaderDigits);
  describeFields<Udp>(kUdpAttributes, out);
  describeValidateLevel(out);
}

void describeTcpAttributes(AttributeDocs& out) {
  describeOwnHeader(out, kTcpHeaderDigits);
  describeFields<Tcp>(kTcpAttributes, out);
  out.push_back({std::string(kSequenceStepAttribute), "choice", std::string(kSequenceStepPayload), "none", "",
                 "payload: each PDU's payload length is added to the sequence number of the stream's next PDU "
                 "(the first PDU carries hdr's number); without it every PDU carries hdr's number",
                 std::string(kSequenceStepPayload)});
  describeValidateLevel(out);
}

void describeRtpAttributes(AttributeDocs& out) {
  describeOwnHeader(out, kRtpHeaderDigits);
  describeFields<Rtp>(kRtpAttributes, out);
  describeValidateLevel(out);
}

}  // namespace corvel
