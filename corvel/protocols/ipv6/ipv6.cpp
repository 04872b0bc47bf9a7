#include "corvel/protocols/ipv6/ipv6.h"

namespace corvel {

IpV6ProtocolConfig::IpV6ProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::IpV6, false) {
  loadHeader(headerHex, Ipv6Wire::kSize,
             "IPV6 header hex value must be represented in a string with 80 characters.",
             "IPV6 header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> IpV6ProtocolConfig::clone() const {
  return std::make_unique<IpV6ProtocolConfig>(*this);
}

bool IpV6ProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Generic, ProtocolKind::IpV4, ProtocolKind::Payload,
                             ProtocolKind::Tcp, ProtocolKind::Udp});
}

void IpV6ProtocolConfig::setVersion(int64_t value) {
  setHeaderField(Ipv6Wire::kVersion, value, "VER field value must be 0 thru 15");
}
void IpV6ProtocolConfig::setTrafficClass(int64_t value) {
  setHeaderField(Ipv6Wire::kTrafficClass, value, "TC value must be 0 thru 255");
}
void IpV6ProtocolConfig::setFlowLabel(int64_t value, bool /*forMask*/) {
  setHeaderField(Ipv6Wire::kFlowLabel, value, "FL field value must be 0 thru 1048575");
}
void IpV6ProtocolConfig::setPayloadLength(int64_t value) {
  setHeaderField(Ipv6Wire::kPayloadLength, value, "LEN field value must be 0 thru 65535");
}
void IpV6ProtocolConfig::setNextHeader(int64_t value) {
  setHeaderField(Ipv6Wire::kNextHeader, value, "NH value must be 0 thru 255");
}
void IpV6ProtocolConfig::setHopLimit(int64_t value) {
  setHeaderField(Ipv6Wire::kHopLimit, value, "HL value must be 0 thru 255");
}
void IpV6ProtocolConfig::setSourceAddress(std::string_view hex) {
  setHeaderHex(Ipv6Wire::kSource, hex, "SRC_ADDR length must be 32 characters",
               "SRC_ADDR value contains a non-hex character");
}
void IpV6ProtocolConfig::setDestinationAddress(std::string_view hex) {
  setHeaderHex(Ipv6Wire::kDestination, hex, "DEST_ADDR length must be 32 characters",
               "DEST_ADDR value contains a non-hex character");
}

uint32_t IpV6ProtocolConfig::version() const {
  return static_cast<uint32_t>(headerField(Ipv6Wire::kVersion));
}
uint32_t IpV6ProtocolConfig::trafficClass() const {
  return static_cast<uint32_t>(headerField(Ipv6Wire::kTrafficClass));
}
uint32_t IpV6ProtocolConfig::flowLabel() const {
  return static_cast<uint32_t>(headerField(Ipv6Wire::kFlowLabel));
}
uint32_t IpV6ProtocolConfig::payloadLength() const {
  return static_cast<uint32_t>(headerField(Ipv6Wire::kPayloadLength));
}
uint32_t IpV6ProtocolConfig::nextHeader() const {
  return static_cast<uint32_t>(headerField(Ipv6Wire::kNextHeader));
}
uint32_t IpV6ProtocolConfig::hopLimit() const {
  return static_cast<uint32_t>(headerField(Ipv6Wire::kHopLimit));
}

}  // namespace corvel
