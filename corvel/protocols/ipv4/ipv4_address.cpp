#include "corvel/protocols/ipv4/ipv4_address.h"

#include <arpa/inet.h>

#include <cstring>
#include <string>

namespace corvel {

bool parseIpv4Address(std::string_view text, std::array<uint8_t, 4>& address) {
  // inet_aton reads a zero-terminated text; a text with a zero inside would be
  // cut short and the rest silently ignored.
  if (text.find('\0') != std::string_view::npos) return false;
  // glibc's inet_aton stops at the first white space and ignores what follows
  // ("1.2.3.4 junk" passes); such a text is not an address.
  if (text.find_first_of(" \t\n\v\f\r") != std::string_view::npos) return false;
  const std::string terminated(text);
  in_addr parsed{};
  if (inet_aton(terminated.c_str(), &parsed) == 0) return false;
  std::memcpy(address.data(), &parsed.s_addr, address.size());  // s_addr is in network order
  return true;
}

}  // namespace corvel
