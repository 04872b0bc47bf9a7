// The layer an IP protocol / next-header number names (IANA's protocol
// numbers), shared by the IPv4 and IPv6 verifiers.
#pragma once

#include <cstdint>
#include <optional>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The layer an IP protocol / next-header number names.
std::optional<ProtocolKind> ipPayloadKind(uint64_t protocol);
// The IP protocol / next-header number of a layer; nothing for one without.
std::optional<uint64_t> ipProtocolNumber(ProtocolKind kind);

}  // namespace corvel
