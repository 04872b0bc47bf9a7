// Internet checksums (RFC 1071): the 16-bit one's-complement sum of
// big-endian words, used by the IPv4 header (RFC 791), UDP (RFC 768) and TCP
// (RFC 9293), the last two over a pseudo-header of the IPv4 or IPv6 layer
// outside them (RFC 8200 section 8.1 for IPv6).
//
// One route per protocol, shared by the frame builder, which stores the value,
// and a verifier, which compares it with the captured field: each returns the
// value of the checksum field, with the field's own bytes left out of the sum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvel {

// Adds the big-endian 16-bit words of `bytes` to `sum` (an odd final byte is
// paired with a zero byte). Fold the result with foldChecksum.
uint64_t onesComplementAdd(uint64_t sum, std::span<const uint8_t> bytes);

// Folds the carries of `sum` into 16 bits (without complementing).
inline uint16_t foldChecksum(uint64_t sum) {
  while (sum >> 16) sum = (sum & 0xffffu) + (sum >> 16);
  return static_cast<uint16_t>(sum);
}

// The checksum field value of a one's-complement `sum`: folded and
// complemented. Since the order in which words are added does not change the
// result, the words that stay the same from packet to packet can be summed
// once and the rest added per packet.
inline uint16_t checksumOf(uint64_t sum) { return static_cast<uint16_t>(~foldChecksum(sum)); }

// The IPv4 header checksum of `header` (20 bytes, or IHL * 4 with options),
// its checksum field left out.
uint16_t ipv4HeaderChecksum(std::span<const uint8_t> header);
// The same in two steps, for a stream whose headers differ only in the total
// length: the sum of the other words, taken once, and the checksum for a
// given total length. For any header that holds its total length,
// ipv4HeaderChecksum(header) is
// ipv4HeaderChecksum(ipv4FixedSum(header), total length of header).
uint64_t ipv4FixedSum(std::span<const uint8_t> header);
uint16_t ipv4HeaderChecksum(uint64_t fixedSum, uint16_t totalLength);

// The part of a UDP or TCP pseudo-header that is the same for every datagram
// of a flow: the source and destination addresses of the IP layer directly
// outside (4 bytes each for IPv4, 16 for IPv6) and the protocol number
// (kIpProtocolUdp, kIpProtocolTcp). Take it once per flow and hand it to the
// routes below, which add the length. Addresses whose length is not a
// multiple of 4 throw "address lengths are invalid".
uint64_t pseudoHeaderSum(std::span<const uint8_t> source, std::span<const uint8_t> destination,
                         uint8_t protocol);

// The UDP checksum of `datagram` (header and data, exactly as many bytes as
// its length field counts), whose pseudo-header length is its size. A
// computed 0 comes back as 0xFFFF, the form it takes on the wire, since a
// stored 0 means "no checksum" (RFC 768).
uint16_t udpChecksum(uint64_t pseudoHeader, std::span<const uint8_t> datagram);

// The TCP checksum of `segment` (header, options and data), whose
// pseudo-header length is its size.
uint16_t tcpChecksum(uint64_t pseudoHeader, std::span<const uint8_t> segment);

// Our TCP checksum when no IP layer lies directly outside, so there is no
// pseudo-header to take: the 20 header bytes alone.
uint16_t tcpHeaderOnlyChecksum(std::span<const uint8_t> header);

}  // namespace corvel
