#include "corvel/protocols/checksum.h"

#include <bit>
#include <cstring>

#include "corvel/base/text_error.h"

namespace corvel {

namespace {

constexpr uint32_t kUdpProtocol = 17;
constexpr uint32_t kTcpProtocol = 6;
constexpr size_t kIpv4HeaderSize = 20;
constexpr size_t kIpv4ChecksumAt = 10;
constexpr size_t kUdpHeaderSize = 8;
constexpr size_t kUdpChecksumAt = 6;
constexpr size_t kTcpHeaderSize = 20;
constexpr size_t kTcpChecksumAt = 16;

void storeBigEndian16(std::span<uint8_t> bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<uint8_t>(value & 0xffu);
}

// Sum of `bytes` with the 16-bit word at `skipAt` (an even offset) left out.
uint64_t sumSkipping(uint64_t sum, std::span<const uint8_t> bytes, size_t skipAt) {
  if (skipAt >= bytes.size()) return onesComplementAdd(sum, bytes);
  sum = onesComplementAdd(sum, bytes.first(skipAt));
  const size_t resume = skipAt + 2;
  if (resume < bytes.size()) sum = onesComplementAdd(sum, bytes.subspan(resume));
  return sum;
}

uint64_t pseudoHeaderSum(std::span<const uint8_t> source, std::span<const uint8_t> destination,
                         uint32_t protocol, uint32_t length) {
  uint64_t sum = onesComplementAdd(0, source);
  sum = onesComplementAdd(sum, destination);
  // Protocol and length: as 16-bit words for IPv4; for IPv6 the 32-bit length
  // and the next-header word give the same sum.
  return sum + protocol + (length >> 16) + (length & 0xffffu);
}

}  // namespace

// The one's-complement sum does not depend on byte order except for a final
// swap (RFC 1071, section 2), and 2^16 = 1 modulo 2^16 - 1, so whole 32-bit
// words in machine order can be added and folded afterwards.
uint64_t onesComplementAdd(uint64_t sum, std::span<const uint8_t> bytes) {
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  uint64_t machine = 0;
  for (; left >= 8; left -= 8, p += 8) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    machine += (v & 0xffffffffu) + (v >> 32);
  }
  if (left >= 4) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    machine += v;
    p += 4;
    left -= 4;
  }
  if (left >= 2) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    machine += v;
    p += 2;
    left -= 2;
  }
  if (left != 0) {
    const uint8_t pair[2] = {*p, 0};  // an odd last byte is paired with a zero byte
    uint16_t v;
    std::memcpy(&v, pair, sizeof v);
    machine += v;
  }
  uint16_t folded = foldChecksum(machine);
  if constexpr (std::endian::native == std::endian::little) {
    folded = static_cast<uint16_t>((folded << 8) | (folded >> 8));
  }
  return sum + folded;
}

void storeChecksum(std::span<uint8_t> bytes, size_t at, uint16_t checksum) {
  if (at > bytes.size() || bytes.size() - at < 2) throw TextError("Error, field lies outside the header");
  storeBigEndian16(bytes, at, checksum);
}

void ipv4HeaderChecksum(std::span<uint8_t> header) {
  const auto words = std::span<const uint8_t>(header).first(kIpv4HeaderSize);
  const uint16_t sum = foldChecksum(sumSkipping(0, words, kIpv4ChecksumAt));
  storeBigEndian16(header, kIpv4ChecksumAt, static_cast<uint16_t>(~sum));
}

uint16_t udpChecksum(std::span<const uint8_t> source, std::span<const uint8_t> destination,
                     std::span<const uint8_t> segment) {
  if (source.size() % 4 != 0 || destination.size() % 4 != 0) {
    throw TextError("address lengths are invalid");
  }
  if (segment.size() < kUdpHeaderSize) throw TextError("UDP segment shorter than its header");
  const uint32_t length = (uint32_t{segment[4]} << 8) | segment[5];
  // The length field bounds the sum; a field larger than the bytes at hand is
  // never read past.
  const size_t covered = length < segment.size() ? length : segment.size();
  uint64_t sum = pseudoHeaderSum(source, destination, kUdpProtocol, length);
  sum = sumSkipping(sum, segment.first(covered), kUdpChecksumAt);
  return static_cast<uint16_t>(~foldChecksum(sum));
}

void tcpHeaderChecksum(std::span<uint8_t> header) {
  const auto words = std::span<const uint8_t>(header).first(kTcpHeaderSize);
  const uint16_t sum = foldChecksum(sumSkipping(0, words, kTcpChecksumAt));
  storeBigEndian16(header, kTcpChecksumAt, static_cast<uint16_t>(~sum));
}

void tcpSegmentChecksum(std::span<const uint8_t> source, std::span<const uint8_t> destination,
                        std::span<uint8_t> segment) {
  if (segment.size() < kTcpHeaderSize) throw TextError("TCP segment shorter than its header");
  uint64_t sum = pseudoHeaderSum(source, destination, kTcpProtocol, static_cast<uint32_t>(segment.size()));
  sum = sumSkipping(sum, segment, kTcpChecksumAt);
  storeBigEndian16(segment, kTcpChecksumAt, static_cast<uint16_t>(~foldChecksum(sum)));
}

}  // namespace corvel
