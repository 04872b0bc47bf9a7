// Internet checksums (RFC 1071): the 16-bit one's-complement sum of
// big-endian words, used by the IPv4 header (RFC 791), UDP (RFC 768, with the
// IPv4 or IPv6 pseudo-header, RFC 8200 section 8.1) and TCP (RFC 793).
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

// Stores a checksum field value big-endian at bytes `at` and `at` + 1.
void storeChecksum(std::span<uint8_t> bytes, size_t at, uint16_t checksum);

// Computes the checksum of a 20-byte IPv4 header (the word at bytes 10-11 is
// skipped) and stores it big-endian at bytes 10-11.
void ipv4HeaderChecksum(std::span<uint8_t> header);

// UDP checksum over the pseudo-header (source and destination address, the
// protocol 17 and the UDP length read from bytes 4-5 of `segment`) and the
// segment itself, the checksum word at bytes 6-7 skipped. Addresses are 4
// (IPv4) or 16 (IPv6) bytes; lengths that are not multiples of 4 throw
// "address lengths are invalid". Returns the complemented sum as computed;
// the caller maps 0 to 0xFFFF on the wire.
uint16_t udpChecksum(std::span<const uint8_t> source, std::span<const uint8_t> destination,
                     std::span<const uint8_t> segment);

// The checksum of the 20-byte TCP header alone (checksum word at bytes 16-17
// skipped), stored big-endian at bytes 16-17. Used when no IP layer lies
// directly outside TCP, so there is no pseudo-header to take.
void tcpHeaderChecksum(std::span<uint8_t> header);

// The RFC 793 checksum of a whole TCP segment (header, data and padding) with
// the pseudo-header of the IP layer outside it: source, destination, zero,
// protocol 6 and the segment length. The checksum word at bytes 16-17 is taken
// as zero and the result stored there.
void tcpSegmentChecksum(std::span<const uint8_t> source, std::span<const uint8_t> destination,
                        std::span<uint8_t> segment);

}  // namespace corvel
