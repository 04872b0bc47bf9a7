#include "corvel/protocols/aal5/aal5.h"

namespace corvel {

void Aal5LlcSnapConfig::setLlc(std::string_view hex) {
  setHeaderHex(Aal5Wire::kLlc, hex, "AAL5 LLC must be 6 characters in length",
               "AAL5 LLC field contain nonHex character(s)");
}

void Aal5LlcSnapConfig::setOui(std::string_view hex) {
  setHeaderHex(Aal5Wire::kOui, hex, "AAL5 OUI must be 6 characters in length",
               "AAL5 OUI field contain nonHex character(s)");
}

void Aal5LlcSnapConfig::setPid(std::string_view hex) {
  setHeaderHex(Aal5Wire::kPid, hex, "AAL5 PID/EtherType must be 4 characters in length",
               "AAL5 PID/EtherType field contain nonHex character(s)");
}

AAL5ProtocolConfig::AAL5ProtocolConfig(std::string_view headerHex, std::string_view trailerHex)
    : Aal5LlcSnapConfig(ProtocolKind::AAL5, false) {
  loadHeader(headerHex, Aal5Wire::kSize,
             "AAL5 header hex value must be represented in a string with 16 characters.",
             "AAL5 header contain nonHex character(s)");
  loadTrailer(trailerHex, Aal5Wire::kTrailerSize,
              "AAL5 trailer hex value must be represented in a string with 16 characters.",
              "AAL5 trailer contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> AAL5ProtocolConfig::clone() const {
  return std::make_unique<AAL5ProtocolConfig>(*this);
}

bool AAL5ProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Generic, ProtocolKind::IpV4});
}

AAL58023ProtocolConfig::AAL58023ProtocolConfig(std::string_view headerHex, std::string_view trailerHex)
    : Aal5LlcSnapConfig(ProtocolKind::AAL58023, false) {
  loadHeader(headerHex, Aal58023Wire::kSize,
             "AAL5802_3 header hex value must be represented in a string with 20 characters",
             "AAL5802_3 header contain nonHex character(s)");
  loadTrailer(trailerHex, Aal58023Wire::kTrailerSize,
              "AAL5802_3 trailer hex value must be represented in a string with 16 characters.",
              "AAL5802_3 trailer contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> AAL58023ProtocolConfig::clone() const {
  return std::make_unique<AAL58023ProtocolConfig>(*this);
}

bool AAL58023ProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Ethernet, ProtocolKind::Generic});
}

void AAL58023ProtocolConfig::setPad(std::string_view hex) {
  setHeaderHex(Aal58023Wire::kPad, hex, "AAL5 PAD must be 4 characters in length",
               "AAL5 PAD field contain nonHex character(s)");
}

}  // namespace corvel
