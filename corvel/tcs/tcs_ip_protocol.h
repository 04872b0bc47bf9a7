// Readers of the network-layer elements ipv4 and ipv6 (header group H, mask
// mode).
#pragma once

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

// ipv4: group H; ver, hlen, ttl, protocol (int), src_addr, dest_addr (text);
// groups S and P. In value mode an absent ver, hlen or ttl whose header field
// is 0 becomes 4, 5 or 1. Unit TcsIpv4Protocol.
ProtocolPtr readIpv4Protocol(TcsManager& manager, const ProtocolElement& element);

// ipv6: group H; version, class, flow_label, next_header, hop_limit (int),
// source_addr, dest_addr (text after its "0x"); groups S and P. In value mode
// an absent version whose header field is 0 becomes 6. Unit TcsIpv6Protocol.
ProtocolPtr readIpv6Protocol(TcsManager& manager, const ProtocolElement& element);

// The attributes each reader above takes, for the reference of the format.
void describeIpv4Attributes(AttributeDocs& out);
void describeIpv6Attributes(AttributeDocs& out);

}  // namespace corvel
