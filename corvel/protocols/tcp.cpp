#include "corvel/protocols/tcp.h"

namespace corvel {

namespace {
constexpr BitField kSourcePort = byteField(0, 2);
constexpr BitField kDestinationPort = byteField(2, 2);
constexpr BitField kDataOffset{12, 7, 4};
constexpr BitField kChecksum = byteField(16, 2);
}  // namespace

TcpProtocolConfig::TcpProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::Tcp, false) {
  loadHeader(headerHex, kHeaderSize,
             "TCP header hex value must be represented in a string with 40 characters.",
             "TCP header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> TcpProtocolConfig::clone() const {
  return std::make_unique<TcpProtocolConfig>(*this);
}

bool TcpProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Generic, ProtocolKind::Payload});
}

void TcpProtocolConfig::setSourcePort(int64_t value) {
  setHeaderField(kSourcePort, value, "value exceeds source port range");
}

void TcpProtocolConfig::setDestinationPort(int64_t value) {
  setHeaderField(kDestinationPort, value, "value exceeds destination port range");
}

void TcpProtocolConfig::setHeaderLength(int64_t bytes) {
  setHeaderField(kDataOffset, bytes / 4, "value exceeds header length range");
}

uint32_t TcpProtocolConfig::sourcePort() const { return static_cast<uint32_t>(headerField(kSourcePort)); }
uint32_t TcpProtocolConfig::destinationPort() const {
  return static_cast<uint32_t>(headerField(kDestinationPort));
}
uint32_t TcpProtocolConfig::dataOffset() const { return static_cast<uint32_t>(headerField(kDataOffset)); }
uint32_t TcpProtocolConfig::checksum() const { return static_cast<uint32_t>(headerField(kChecksum)); }

}  // namespace corvel
