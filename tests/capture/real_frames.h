// Frames of real traffic written out by hand for the capture tests: Ethernet
// or 802.1Q VLAN, IPv4 or IPv6 (with extension headers), TCP with options
// laid out as RFC 9293 section 3.1 gives them, or UDP. Headers and checksums
// come from this file and hand_frames.h (RFC 1071 sums), not from the frame
// builder. A frame is made as a host captures it (no padding, no FCS);
// OnTheWire() adds what the sending interface adds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "hand_frames.h"

namespace corvel::test {

enum class Ip { V4, V6 };

struct RealFrame {
  bool reply = false;  // from 10.0.0.2 (server) to 10.0.0.1 (client)
  bool vlan = false;   // one 802.1Q tag, VLAN 42
  Ip ip = Ip::V4;
  // IPv6 extension headers as on the wire, between the fixed header and the
  // transport header; the first one's number goes into the fixed header.
  uint8_t firstExtension = 6;
  Bytes extensions{};
  bool badIpChecksum = false;
  uint8_t transport = 6;  // 6 TCP, 17 UDP
  uint8_t flags = 0x10;   // TCP: ACK
  uint32_t sequence = 0x1f3a9c01;
  uint32_t acknowledgement = 0x2710;
  Bytes options{};        // TCP options, as on the wire
  int dataOffset = 0;     // TCP data offset in words; 0: from the options
  Bytes data{};
  bool badTransportChecksum = false;
  int flipDataByte = -1;  // changed after the checksum was taken
};

inline void Put16(Bytes& b, size_t at, uint32_t value) {
  b[at] = static_cast<uint8_t>(value >> 8);
  b[at + 1] = static_cast<uint8_t>(value);
}

inline void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

inline void Put32(Bytes& b, size_t at, uint32_t value) {
  Put16(b, at, value >> 16);
  Put16(b, at + 2, value & 0xffff);
}

// TCP 49152 -> 80 or UDP 49152 -> 53 (the other way for a reply), checksum
// field left 0.
inline Bytes TransportHeader(const RealFrame& spec) {
  const uint32_t server = spec.transport == 17 ? 53 : 80;
  Bytes header(spec.transport == 17 ? 8 : 20, 0);
  Put16(header, 0, spec.reply ? server : 49152);
  Put16(header, 2, spec.reply ? 49152 : server);
  if (spec.transport == 17) {
    Put16(header, 4, 8 + spec.data.size());
    return header;
  }
  const int words = spec.dataOffset ? spec.dataOffset : static_cast<int>(5 + spec.options.size() / 4);
  Put32(header, 4, spec.sequence);
  Put32(header, 8, spec.acknowledgement);
  header[12] = static_cast<uint8_t>(words << 4);  // data offset, reserved bits
  header[13] = spec.flags;
  Put16(header, 14, 64240);  // window; checksum and urgent pointer 0
  Append(header, spec.options);
  return header;
}

// The frame as the capturing host holds it.
inline Bytes RealFrameBytes(const RealFrame& spec) {
  const uint8_t to = spec.reply ? 1 : 2;
  const uint8_t from = spec.reply ? 2 : 1;
  Bytes f = {0x00, 0xa0, 0xc9, 0, 0, to, 0x00, 0xa0, 0xc9, 0, 0, from};
  if (spec.vlan) Append(f, {0x81, 0x00, 0x00, 0x2a});
  Append(f, spec.ip == Ip::V4 ? Bytes{0x08, 0x00} : Bytes{0x86, 0xdd});
  Bytes segment = TransportHeader(spec);
  Append(segment, spec.data);
  uint32_t pseudo = 0;
  if (spec.ip == Ip::V4) {
    Bytes header = {0x45, 0, 0, 0, 0x1c, 0x46, 0x40, 0x00, 64, spec.transport, 0, 0, 10, 0, 0, from, 10, 0, 0, to};
    Put16(header, 2, 20 + segment.size());
    uint16_t sum = Fold(Sum16(header, 0, 20));
    if (spec.badIpChecksum) sum ^= 0x0101;
    Put16(header, 10, sum);
    Append(f, header);
    pseudo = Sum16(header, 12, 8) + spec.transport + static_cast<uint32_t>(segment.size());
  } else {
    // Flow label 0x12345, hop limit 64, 2001:db8::1 -> 2001:db8::2 (or back).
    Bytes header = {0x60, 0x01, 0x23, 0x45, 0, 0, spec.firstExtension, 64};
    for (uint8_t last : {from, to}) Append(header, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, last});
    Put16(header, 4, spec.extensions.size() + segment.size());
    Append(f, header);
    Append(f, spec.extensions);
    pseudo = Sum16(header, 8, 32) + spec.transport + static_cast<uint32_t>(segment.size());
  }
  uint16_t sum = Fold(Sum16(segment, 0, segment.size(), pseudo));
  if (spec.transport == 17 && sum == 0) sum = 0xffff;
  if (spec.badTransportChecksum) sum ^= 0x0101;
  Put16(segment, spec.transport == 17 ? 6 : 16, sum);
  if (spec.flipDataByte >= 0) segment[segment.size() - spec.data.size() + static_cast<size_t>(spec.flipDataByte)] ^= 0x20;
  Append(f, segment);
  return f;
}

// What the wire carries: padded with zeros to 60 bytes, then the FCS.
inline Bytes OnTheWire(Bytes frame) {
  while (frame.size() < 60) frame.push_back(0);
  const uint32_t fcs = Crc32(frame);
  for (int k = 0; k < 4; ++k) frame.push_back(static_cast<uint8_t>(fcs >> (8 * k)));
  return frame;
}

// The options of a Linux SYN, RFC 9293 section 3.1 and RFC 7323 layouts:
// MSS 1460 (kind 2, length 4), SACK permitted (4, 2), timestamps (8, 10),
// a no-operation (1) and window scale 7 (3, 3): 20 bytes, data offset 10.
inline Bytes SynOptions() {
  return {0x02, 0x04, 0x05, 0xb4, 0x04, 0x02, 0x08, 0x0a, 0x00, 0x01, 0xe2, 0x40,
          0x00, 0x00, 0x00, 0x00, 0x01, 0x03, 0x03, 0x07};
}

// Two no-operations and timestamps, as on every later segment: 12 bytes.
inline Bytes TimestampOptions() {
  return {0x01, 0x01, 0x08, 0x0a, 0x00, 0x01, 0xe2, 0x41, 0x00, 0x9a, 0x10, 0x07};
}

inline Bytes Text(const char* text) {
  Bytes b;
  for (const char* c = text; *c; ++c) b.push_back(static_cast<uint8_t>(*c));
  return b;
}

}  // namespace corvel::test
