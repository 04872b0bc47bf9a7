#include "corvel/protocols/ipv6.h"

namespace corvel {

namespace {
constexpr BitField kVersion{0, 7, 4};
constexpr BitField kTrafficClass{0, 3, 8};
constexpr BitField kFlowLabel{1, 3, 20};
constexpr BitField kPayloadLength = byteField(4, 2);
constexpr BitField kNextHeader = byteField(6, 1);
constexpr BitField kHopLimit = byteField(7, 1);
}  // namespace

IpV6ProtocolConfig::IpV6ProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::IpV6, false) {
  loadHeader(headerHex, kHeaderSize,
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
  setHeaderField(kVersion, value, "VER field value must be 0 thru 15");
}
void IpV6ProtocolConfig::setTrafficClass(int64_t value) {
  setHeaderField(kTrafficClass, value, "TC value must be 0 thru 255");
}
void IpV6ProtocolConfig::setFlowLabel(int64_t value, bool /*forMask*/) {
  setHeaderField(kFlowLabel, value, "FL field value must be 0 thru 1048575");
}
void IpV6ProtocolConfig::setPayloadLength(int64_t value) {
  setHeaderField(kPayloadLength, value, "LEN field value must be 0 thru 65535");
}
void IpV6ProtocolConfig::setNextHeader(int64_t value) {
  setHeaderField(kNextHeader, value, "NH value must be 0 thru 255");
}
void IpV6ProtocolConfig::setHopLimit(int64_t value) {
  setHeaderField(kHopLimit, value, "HL value must be 0 thru 255");
}
void IpV6ProtocolConfig::setSourceAddress(std::string_view hex) {
  setHeaderHex(8, 16, hex, "SRC_ADDR length must be 32 characters",
               "SRC_ADDR value contains a non-hex character");
}
void IpV6ProtocolConfig::setDestinationAddress(std::string_view hex) {
  setHeaderHex(24, 16, hex, "DEST_ADDR length must be 32 characters",
               "DEST_ADDR value contains a non-hex character");
}

uint32_t IpV6ProtocolConfig::version() const { return static_cast<uint32_t>(headerField(kVersion)); }
uint32_t IpV6ProtocolConfig::trafficClass() const {
  return static_cast<uint32_t>(headerField(kTrafficClass));
}
uint32_t IpV6ProtocolConfig::flowLabel() const { return static_cast<uint32_t>(headerField(kFlowLabel)); }
uint32_t IpV6ProtocolConfig::payloadLength() const {
  return static_cast<uint32_t>(headerField(kPayloadLength));
}
uint32_t IpV6ProtocolConfig::nextHeader() const {
  return static_cast<uint32_t>(headerField(kNextHeader));
}
uint32_t IpV6ProtocolConfig::hopLimit() const { return static_cast<uint32_t>(headerField(kHopLimit)); }

}  // namespace corvel
