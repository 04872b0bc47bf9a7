// Reader of the pcap_stream element: the records of a pcap or pcapng file as
// the frames of one stream, the element being the whole of its protocols.
//   file        the capture file; a relative path is taken from the TCS
//               file's directory, as libxml2 takes the document's DTD
//   fcs         keep (default: bytes as recorded) or add (pad to 60 bytes and
//               append the IEEE 802.3 FCS; Ethernet records only)
//   timing      recorded (default: spaced by the records' timestamps at the
//               port's clock) or port (the port's own gap rule)
//   iterations  passes over the file, 1 or more (default 1)
// The file is read and checked here, at load; any fault is reported under the
// unit TcsPcapStream with the element's place.
#pragma once

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

ProtocolPtr readPcapStream(TcsManager& manager, const ProtocolElement& element);

// The attributes each reader above takes, for the reference of the format.
void describePcapStream(AttributeDocs& out);

}  // namespace corvel
