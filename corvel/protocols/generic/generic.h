// Generic protocol configuration: a layer the simulator does not know, given
// as arbitrary header and trailer bytes (either may be empty, not both). Its
// hex text comes straight from the TCS file or from a FramePacker.
#pragma once

#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class GenericProtocolConfig : public ProtocolConfig {
 public:
  // Each text: an even number of hex digits, possibly none.
  GenericProtocolConfig(std::string_view headerHex, std::string_view trailerHex);
  std::unique_ptr<ProtocolConfig> clone() const override;
  // Generic layers may enclose ATM, AAL5, another generic layer, IPv4 or a payload.
  bool acceptsInner(const ProtocolConfig& inner) const override;
};

}  // namespace corvel
