// Readers of the cell-family elements: atm and aal5 (header group H, mask
// mode), aal5_802_3, dslam and interpyx (their own hdr handling).
#pragma once

#include "corvel/tcs/tcs_protocol_reader.h"

namespace corvel {

// atm: group H; vci, vpi (int); groups S and P. Unit TcsAtmProtocol.
ProtocolPtr readAtmProtocol(TcsManager& manager, const ProtocolElement& element);

// aal5: group H; llc, oui, et (hex, applied in both modes); groups S and P.
// Unit TcsAAL5Protocol.
ProtocolPtr readAal5Protocol(TcsManager& manager, const ProtocolElement& element);

// aal5_802_3: own hdr; llc, oui, pid, pad (hex). Unit TcsAAL58023Protocol.
ProtocolPtr readAal58023Protocol(TcsManager& manager, const ProtocolElement& element);

// dslam: own hdr; vci, vpi, pti, clp, ppt, ppn, pt (int). Unit TcsDSlamProtocol.
ProtocolPtr readDSlamProtocol(TcsManager& manager, const ProtocolElement& element);

// interpyx: own hdr; ci, ai, mi, ct, clp, pri, st, src, dest (int).
// Unit TcsInterPyxProtocol.
ProtocolPtr readInterPyxProtocol(TcsManager& manager, const ProtocolElement& element);

// The attributes each reader above takes, for the reference of the format.
void describeAtmAttributes(AttributeDocs& out);
void describeAal5Attributes(AttributeDocs& out);
void describeAal58023Attributes(AttributeDocs& out);
void describeDSlamAttributes(AttributeDocs& out);
void describeInterPyxAttributes(AttributeDocs& out);

}  // namespace corvel
