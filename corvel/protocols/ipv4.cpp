#include "corvel/protocols/ipv4.h"

#include <algorithm>
#include <array>

#include "corvel/base/text_error.h"
#include "corvel/protocols/hex_text.h"
#include "corvel/protocols/ipv4_address.h"
#include "corvel/protocols/payload_config.h"

namespace corvel {

namespace {
constexpr BitField kVersion{0, 7, 4};
constexpr BitField kHeaderLength{0, 3, 4};
constexpr BitField kTotalLength = byteField(2, 2);
constexpr BitField kTimeToLive = byteField(8, 1);
constexpr BitField kProtocol = byteField(9, 1);
constexpr BitField kChecksum = byteField(10, 2);
constexpr int32_t kSourceOffset = 12;
constexpr int32_t kDestinationOffset = 16;
constexpr const char* kInvalidArgument = "Error, invalid argument.";
}  // namespace

IpV4ProtocolConfig::IpV4ProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::IpV4, false) {
  loadHeader(headerHex, kHeaderSize,
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
  setHeaderField(kVersion, value, "Error, VER field value must be 0 thru 15");
}

// IHL is a 4-bit count of 32-bit words (RFC 791): any value outside 0..15 is
// refused, whatever its low bits.
void IpV4ProtocolConfig::setHeaderLength(int64_t value) {
  setHeaderField(kHeaderLength, value, "Error, IHL value must be 0 thru 15");
}

void IpV4ProtocolConfig::setTotalLength(int64_t value) {
  setHeaderField(kTotalLength, value, "Error, LEN field value must be 0 thru 65535");
}

void IpV4ProtocolConfig::setTimeToLive(int64_t value) {
  setHeaderField(kTimeToLive, value, "Error, ST value must be 0 thru 255");
}

void IpV4ProtocolConfig::setProtocol(int64_t value) {
  setHeaderField(kProtocol, value, "Error, PRC value must be 0 thru 255");
}

void IpV4ProtocolConfig::setSourceAddress(std::string_view text) { setAddress(kSourceOffset, text); }

void IpV4ProtocolConfig::setDestinationAddress(std::string_view text) {
  setAddress(kDestinationOffset, text);
}

void IpV4ProtocolConfig::setAddress(int32_t offset, std::string_view text) {
  std::array<uint8_t, 4> address{};
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    if (text.size() != 10) return;  // a hex form of the wrong length changes nothing
    if (!hexToBytes(address, text.substr(2))) throw TextError(kInvalidArgument);
  } else if (!parseIpv4Address(text, address)) {
    throw TextError(kInvalidArgument);
  }
  std::copy(address.begin(), address.end(), mutableHeader().begin() + offset);
}

uint32_t IpV4ProtocolConfig::version() const { return static_cast<uint32_t>(headerField(kVersion)); }
uint32_t IpV4ProtocolConfig::headerLengthField() const {
  return static_cast<uint32_t>(headerField(kHeaderLength));
}
uint32_t IpV4ProtocolConfig::totalLength() const {
  return static_cast<uint32_t>(headerField(kTotalLength));
}
uint32_t IpV4ProtocolConfig::timeToLive() const {
  return static_cast<uint32_t>(headerField(kTimeToLive));
}
uint32_t IpV4ProtocolConfig::protocol() const { return static_cast<uint32_t>(headerField(kProtocol)); }
uint32_t IpV4ProtocolConfig::checksum() const { return static_cast<uint32_t>(headerField(kChecksum)); }
uint32_t IpV4ProtocolConfig::sourceAddress() const {
  return static_cast<uint32_t>(headerField(byteField(kSourceOffset, 4)));
}
uint32_t IpV4ProtocolConfig::destinationAddress() const {
  return static_cast<uint32_t>(headerField(byteField(kDestinationOffset, 4)));
}

}  // namespace corvel
