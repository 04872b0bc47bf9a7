// Frames written out by hand for the capture tests: Ethernet / IPv4 / UDP
// with a payload tag, headers, checksums and FCS computed here by small
// routines of the tests' own (RFC 1071 sums, a bitwise IEEE 802.3 CRC-32),
// independently of the frame builder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvel::test {

using Bytes = std::vector<uint8_t>;

// RFC 1071 sum of big-endian words.
inline uint32_t Sum16(const Bytes& bytes, size_t from, size_t count, uint32_t sum = 0) {
  for (size_t i = 0; i < count; i += 2) {
    sum += static_cast<uint32_t>(bytes[from + i] << 8) + (i + 1 < count ? bytes[from + i + 1] : 0);
  }
  return sum;
}
inline uint16_t Fold(uint32_t sum) {
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}
// IEEE 802.3 CRC-32, bit by bit (reflected polynomial 0xEDB88320).
inline uint32_t Crc32(const Bytes& bytes) {
  uint32_t crc = 0xffffffffu;
  for (uint8_t byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

struct FrameSpec {
  uint8_t txPort = 1;  // the port named by the payload tag
  uint8_t ttl = 64;
  int extraTotalLength = 0;
  bool badIpChecksum = false;
  bool flipPayloadByte = false;
  bool badFcs = false;
  size_t payload = 40;
};

// Ethernet / IPv4 10.0.0.1 -> 10.0.0.2 / UDP 1000 -> 2000 / payload whose tag
// names transmit port 0/`txPort`, receive port 0/0, stream 0, PDU 1.
inline Bytes Frame(const FrameSpec& spec) {
  Bytes f = {0x00, 0xa0, 0xc9, 0, 0, 2, 0x00, 0xa0, 0xc9, 0, 0, 1, 0x08, 0x00};
  const size_t ip = f.size();
  const size_t total = 20 + 8 + spec.payload;
  const size_t field = total + static_cast<size_t>(spec.extraTotalLength);
  Bytes ipHeader = {0x45, 0, static_cast<uint8_t>(field >> 8), static_cast<uint8_t>(field), 0, 0, 0, 0, spec.ttl, 17,
                    0, 0, 10, 0, 0, 1, 10, 0, 0, 2};
  f.insert(f.end(), ipHeader.begin(), ipHeader.end());
  uint16_t ipSum = Fold(Sum16(f, ip, 20));
  if (spec.badIpChecksum) ipSum ^= 0x0101;
  f[ip + 10] = static_cast<uint8_t>(ipSum >> 8);
  f[ip + 11] = static_cast<uint8_t>(ipSum);
  const size_t udp = f.size();
  const size_t udpLength = 8 + spec.payload;
  Bytes udpHeader = {0x03, 0xe8, 0x07, 0xd0, static_cast<uint8_t>(udpLength >> 8), static_cast<uint8_t>(udpLength), 0, 0};
  f.insert(f.end(), udpHeader.begin(), udpHeader.end());
  f.push_back(spec.txPort);  // tag: transmit device 0, port txPort
  f.push_back(0x00);         // receive 0/0
  f.push_back(0x00);         // stream 0
  f.push_back(0x01);         // PDU 1
  for (size_t i = 4; i < spec.payload; ++i) f.push_back(static_cast<uint8_t>(i));
  // Pseudo-header: addresses, protocol 17, UDP length; then the segment.
  uint32_t sum = Sum16(f, ip + 12, 8) + 17 + static_cast<uint32_t>(udpLength);
  uint16_t udpSum = Fold(Sum16(f, udp, udpLength, sum));
  if (udpSum == 0) udpSum = 0xffff;
  f[udp + 6] = static_cast<uint8_t>(udpSum >> 8);
  f[udp + 7] = static_cast<uint8_t>(udpSum);
  if (spec.flipPayloadByte) f[udp + 8 + 10] ^= 0x20;
  while (f.size() < 60) f.push_back(0);
  uint32_t fcs = Crc32(f);
  if (spec.badFcs) fcs ^= 1;
  for (int k = 0; k < 4; ++k) f.push_back(static_cast<uint8_t>(fcs >> (8 * k)));
  return f;
}

}  // namespace corvel::test
