#include "corvel/protocols/udp/udp.h"

#include "corvel/protocols/payload/payload_config.h"

namespace corvel {

UdpProtocolConfig::UdpProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::Udp, false) {
  loadHeader(headerHex, UdpWire::kSize,
             "UDP header hex value must be represented in a string with 16 characters.",
             "UDP header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> UdpProtocolConfig::clone() const {
  return std::make_unique<UdpProtocolConfig>(*this);
}

bool UdpProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Generic, ProtocolKind::Rtp}) || isPlainPayload(inner);
}

void UdpProtocolConfig::setSourcePort(int64_t value) {
  setHeaderField(UdpWire::kSourcePort, value, "value must be 0 thru 65535");
}

void UdpProtocolConfig::setDestinationPort(int64_t value) {
  setHeaderField(UdpWire::kDestinationPort, value, "value must be 0 thru 65535");
}

void UdpProtocolConfig::setLength(int64_t value) {
  setHeaderField(UdpWire::kLength, value, "value exceeds length range");
}

uint32_t UdpProtocolConfig::sourcePort() const {
  return static_cast<uint32_t>(headerField(UdpWire::kSourcePort));
}
uint32_t UdpProtocolConfig::destinationPort() const {
  return static_cast<uint32_t>(headerField(UdpWire::kDestinationPort));
}
uint32_t UdpProtocolConfig::length() const { return static_cast<uint32_t>(headerField(UdpWire::kLength)); }
uint32_t UdpProtocolConfig::checksum() const {
  return static_cast<uint32_t>(headerField(UdpWire::kChecksum));
}

}  // namespace corvel
