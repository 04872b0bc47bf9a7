// Readers of the header-compression elements: compressed_udp, compressed_rtp
// and compressed_non_tcp2 (unit TcsRtpAndCompressedProtocols), context_state
// and full_header. The last two report nothing themselves (apart from an empty
// full_header): their failures reach the dispatcher.
#pragma once

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

// compressed_udp: udp_checksum, ipv4_delta shape the header; then context_id
// and sequence.
ProtocolPtr readCompressedUdpProtocol(TcsManager& manager, const ProtocolElement& element);

// compressed_rtp: udp_checksum, delta_ipv4, delta_rtpseq, delta_rtptimestamp
// and cc shape the header; then context_id and sequence.
ProtocolPtr readCompressedRtpProtocol(TcsManager& manager, const ProtocolElement& element);

// compressed_non_tcp2: udp_checksum shapes the header; then context_id,
// generation and sequence.
ProtocolPtr readCompressedNonTcpProtocol(TcsManager& manager, const ProtocolElement& element);

// context_state: one entry per context child (context_id, invalidate,
// sequence, generation). Throws "at least one content must exists" without one.
ProtocolPtr readContextStateProtocol(TcsManager& manager, const ProtocolElement& element);

// full_header: generation, sequence, context_id; every child element is read
// through CreateProtocol (value mode) and its configurations come first, the
// full header last.
ProtocolList readFullHeaderProtocol(TcsManager& manager, const ProtocolElement& element);

// The attributes each reader above takes, for the reference of the format.
void describeCompressedUdp(AttributeDocs& out);
void describeCompressedRtp(AttributeDocs& out);
void describeCompressedNonTcp(AttributeDocs& out);
void describeContextState(AttributeDocs& out);
void describeContextEntry(AttributeDocs& out);
void describeFullHeader(AttributeDocs& out);

}  // namespace corvel
