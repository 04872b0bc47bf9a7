// Dotted-decimal IPv4 address text, read with the platform's classic parser
// (inet_aton). inet_addr is not used: it answers 255.255.255.255 for a bad
// text, so that valid address could not be told from a failure.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace corvel {

// Parses `text` into the four address bytes in network order. Returns false
// for a text that is not an address (including one with an embedded zero or
// white space).
bool parseIpv4Address(std::string_view text, std::array<uint8_t, 4>& address);

}  // namespace corvel
