#include "corvel/protocols/tcp/tcp.h"

namespace corvel {

TcpProtocolConfig::TcpProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::Tcp, false) {
  loadHeader(headerHex, TcpWire::kSize,
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
  setHeaderField(TcpWire::kSourcePort, value, "value exceeds source port range");
}

void TcpProtocolConfig::setDestinationPort(int64_t value) {
  setHeaderField(TcpWire::kDestinationPort, value, "value exceeds destination port range");
}

void TcpProtocolConfig::setHeaderLength(int64_t bytes) {
  setHeaderField(TcpWire::kDataOffset, bytes / 4, "value exceeds header length range");
}

uint32_t TcpProtocolConfig::sourcePort() const {
  return static_cast<uint32_t>(headerField(TcpWire::kSourcePort));
}
uint32_t TcpProtocolConfig::destinationPort() const {
  return static_cast<uint32_t>(headerField(TcpWire::kDestinationPort));
}
uint32_t TcpProtocolConfig::dataOffset() const {
  return static_cast<uint32_t>(headerField(TcpWire::kDataOffset));
}
uint32_t TcpProtocolConfig::checksum() const {
  return static_cast<uint32_t>(headerField(TcpWire::kChecksum));
}

}  // namespace corvel
