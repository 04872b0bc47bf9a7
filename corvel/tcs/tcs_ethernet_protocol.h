// Readers of the Ethernet-family elements: ethernet (header group H, mask
// mode), vlan and xvlan (their own hdr handling).
#pragma once

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

// ethernet: hdr/trl (group H); src_addr, dest_addr, protocol_type (hex);
// groups S and P. Reporting unit TcsEthernetProtocol.
ProtocolPtr readEthernetProtocol(TcsManager& manager, const ProtocolElement& element);

// vlan: own hdr; source_addr, dest_addr (hex), protocol_id, pri, cfi,
// vlan_id, ether_type, validate_level (int). Reporting unit TcsVLanProtocol.
ProtocolPtr readVLanProtocol(TcsManager& manager, const ProtocolElement& element);

// xvlan: own hdr; the 802.3 tag with LLC and SNAP; validate_level only for a
// capture set. Reporting unit TcsXVLanProtocol.
ProtocolPtr readXVLanProtocol(TcsManager& manager, const ProtocolElement& element);

// The attributes each reader above takes, for the reference of the format.
void describeEthernetAttributes(AttributeDocs& out);
void describeVLanAttributes(AttributeDocs& out);
void describeXVLanAttributes(AttributeDocs& out);

}  // namespace corvel
