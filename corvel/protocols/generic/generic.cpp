#include "corvel/protocols/generic/generic.h"

#include "corvel/base/text_error.h"

namespace corvel {

GenericProtocolConfig::GenericProtocolConfig(std::string_view headerHex, std::string_view trailerHex)
    : ProtocolConfig(ProtocolKind::Generic, true) {
  constexpr const char* kHeaderOdd = "Error, header representation of memory must be even an even length string.";
  constexpr const char* kTrailerOdd =
      "Error, trailer representation of memory must be even an even length string.";
  if (headerHex.size() % 2 != 0) throw TextError(kHeaderOdd);
  if (!headerHex.empty()) {
    loadHeader(headerHex, headerHex.size() / 2, kHeaderOdd, "Error, header string contains a non-hex value.");
  }
  if (trailerHex.size() % 2 != 0) throw TextError(kTrailerOdd);
  if (!trailerHex.empty()) {
    loadTrailer(trailerHex, trailerHex.size() / 2, kTrailerOdd,
                "Error, trailer string contains a non-hex value.");
  }
  if (headerLength() + trailerLength() < 1) throw TextError("Error, a header or trailer was not specified");
}

std::unique_ptr<ProtocolConfig> GenericProtocolConfig::clone() const {
  return std::make_unique<GenericProtocolConfig>(*this);
}

bool GenericProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Atm, ProtocolKind::AAL5, ProtocolKind::Generic,
                             ProtocolKind::IpV4, ProtocolKind::Payload});
}

}  // namespace corvel
