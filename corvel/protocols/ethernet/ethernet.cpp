#include "corvel/protocols/ethernet/ethernet.h"

#include "corvel/protocols/payload/payload_config.h"

namespace corvel {

EthernetProtocolConfig::EthernetProtocolConfig(std::string_view headerHex, std::string_view trailerHex)
    : ProtocolConfig(ProtocolKind::Ethernet, true) {
  loadHeader(headerHex, EthernetWire::kSize,
             "Ethernet header hex value must be represented in a string with 28 characters.",
             "Ethernet header contain nonHex character(s)");
  loadTrailer(trailerHex, EthernetWire::kFcsSize,
              "Ethernet trailer hex value must be represented in a string with 8 characters.",
              "Ethernet trailer contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> EthernetProtocolConfig::clone() const {
  return std::make_unique<EthernetProtocolConfig>(*this);
}

bool EthernetProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Generic, ProtocolKind::IpV4, ProtocolKind::IpV6}) ||
         isPlainPayload(inner);
}

void EthernetProtocolConfig::setDestination(std::string_view hex) {
  setHeaderHex(EthernetWire::kDestination, hex, "Error, destination length must be 12 characters",
               "Error, destination value contains a non-hex character");
}

void EthernetProtocolConfig::setSource(std::string_view hex) {
  setHeaderHex(EthernetWire::kSource, hex, "Error, source length must be 12 characters",
               "Error, source value contains a non-hex character");
}

void EthernetProtocolConfig::setProtocol(std::string_view hex) {
  setHeaderHex(EthernetWire::kEtherType, hex, "Error, protocol length must be 4 characters",
               "Error, protocol value contains a non-hex character");
}

uint16_t EthernetProtocolConfig::protocol() const {
  return static_cast<uint16_t>(headerField(EthernetWire::kEtherType));
}

}  // namespace corvel
