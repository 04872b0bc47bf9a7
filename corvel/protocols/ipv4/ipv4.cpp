#include "corvel/protocols/ipv4/ipv4.h"

#include <algorithm>
#include <array>

#include "corvel/base/text_error.h"
#include "corvel/protocols/hex_text.h"
#include "corvel/protocols/ipv4/ipv4_address.h"
#include "corvel/protocols/payload/payload_config.h"

namespace corvel {

namespace {
constexpr const char* kInvalidArgument = "Error, invalid argument.";
}  // namespace

IpV4ProtocolConfig::IpV4ProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::IpV4, false) {
  loadHeader(headerHex, Ipv4Wire::kSize,
             "IPV4 header hex value must be represented in a string with 40 characters.",
             "IPV4 header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> IpV4ProtocolConfig::clone() const {
  return std::make_unique<IpV4ProtocolConfig>(*this);
}

bool IpV4ProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Generic, ProtocolKind::Payload, ProtocolKind::Tcp,
                             ProtocolKind::Udp, ProtocolKind::IpV6});
}

void IpV4ProtocolConfig::setVersion(int64_t value) {
  setHeaderField(Ipv4Wire::kVersion, value, "Error, VER field value must be 0 thru 15");
}

// IHL is a 4-bit count of 32-bit words (RFC 791): any value outside 0..15 is
// refused, whatever its low bits.
void IpV4ProtocolConfig::setHeaderLength(int64_t value) {
  setHeaderField(Ipv4Wire::kHeaderLength, value, "Error, IHL value must be 0 thru 15");
}

void IpV4ProtocolConfig::setTotalLength(int64_t value) {
  setHeaderField(Ipv4Wire::kTotalLength, value, "Error, LEN field value must be 0 thru 65535");
}

void IpV4ProtocolConfig::setTimeToLive(int64_t value) {
  setHeaderField(Ipv4Wire::kTimeToLive, value, "Error, ST value must be 0 thru 255");
}

void IpV4ProtocolConfig::setProtocol(int64_t value) {
  setHeaderField(Ipv4Wire::kProtocol, value, "Error, PRC value must be 0 thru 255");
}

void IpV4ProtocolConfig::setSourceAddress(std::string_view text) { setAddress(Ipv4Wire::kSource, text); }

void IpV4ProtocolConfig::setDestinationAddress(std::string_view text) {
  setAddress(Ipv4Wire::kDestination, text);
}

void IpV4ProtocolConfig::setAddress(const BitField& field, std::string_view text) {
  std::array<uint8_t, 4> address{};
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    if (text.size() != 10) return;  // a hex form of the wrong length changes nothing
    if (!hexToBytes(address, text.substr(2))) throw TextError(kInvalidArgument);
  } else if (!parseIpv4Address(text, address)) {
    throw TextError(kInvalidArgument);
  }
  const std::span<uint8_t> target = fieldBytes(mutableHeader(), field);
  std::copy(address.begin(), address.end(), target.begin());
}

uint32_t IpV4ProtocolConfig::version() const {
  return static_cast<uint32_t>(headerField(Ipv4Wire::kVersion));
}
uint32_t IpV4ProtocolConfig::headerLengthField() const {
  return static_cast<uint32_t>(headerField(Ipv4Wire::kHeaderLength));
}
uint32_t IpV4ProtocolConfig::totalLength() const {
  return static_cast<uint32_t>(headerField(Ipv4Wire::kTotalLength));
}
uint32_t IpV4ProtocolConfig::timeToLive() const {
  return static_cast<uint32_t>(headerField(Ipv4Wire::kTimeToLive));
}
uint32_t IpV4ProtocolConfig::protocol() const {
  return static_cast<uint32_t>(headerField(Ipv4Wire::kProtocol));
}
uint32_t IpV4ProtocolConfig::checksum() const {
  return static_cast<uint32_t>(headerField(Ipv4Wire::kChecksum));
}
uint32_t IpV4ProtocolConfig::sourceAddress() const {
  return static_cast<uint32_t>(headerField(Ipv4Wire::kSource));
}
uint32_t IpV4ProtocolConfig::destinationAddress() const {
  return static_cast<uint32_t>(headerField(Ipv4Wire::kDestination));
}

}  // namespace corvel
