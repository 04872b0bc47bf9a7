// Readers of the transport-layer elements udp, tcp and rtp (each with its own
// hdr handling: a hdr without the hex prefix makes no configuration).
#pragma once

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

// udp: src_port, dest_port (int); validate_level only for a capture set.
// Unit TcsUdpProtocol.
ProtocolPtr readUdpProtocol(TcsManager& manager, const ProtocolElement& element);

// tcp: src_port, dest_port (int); validate_level only for a capture set.
// Unit TcsTcpProtocol.
ProtocolPtr readTcpProtocol(TcsManager& manager, const ProtocolElement& element);

// rtp: version, padding, extention, CSRC_count, marker, payload_type,
// seq_number, time_stamp, source_id (int); validate_level only for a capture
// set. Unit TcsRtpProtocol.
ProtocolPtr readRtpProtocol(TcsManager& manager, const ProtocolElement& element);

// The attributes each reader above takes, for the reference of the format.
void describeUdpAttributes(AttributeDocs& out);
void describeTcpAttributes(AttributeDocs& out);
void describeRtpAttributes(AttributeDocs& out);

}  // namespace corvel
