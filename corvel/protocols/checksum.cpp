#include "corvel/protocols/checksum.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "corvel/base/text_error.h"
#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/ipv4.h"
#include "corvel/protocols/tcp.h"
#include "corvel/protocols/udp.h"

namespace corvel {

namespace {

// Sum of `bytes` with the field `skip` (16 bits at an even offset) left out.
uint64_t sumSkipping(uint64_t sum, std::span<const uint8_t> bytes, const BitField& skip) {
  const auto at = static_cast<size_t>(skip.byte);
  if (at >= bytes.size()) return onesComplementAdd(sum, bytes);
  sum = onesComplementAdd(sum, bytes.first(at));
  const size_t resume = at + static_cast<size_t>(byteCount(skip));
  if (resume < bytes.size()) sum = onesComplementAdd(sum, bytes.subspan(resume));
  return sum;
}

// The pseudo-header's length: a 16-bit word for IPv4; for IPv6 a 32-bit
// word, whose two halves give the same sum.
uint64_t lengthSum(size_t length) {
  const auto value = static_cast<uint64_t>(length);
  return (value >> 16) + (value & 0xffffu);
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

uint16_t ipv4HeaderChecksum(std::span<const uint8_t> header) {
  return checksumOf(sumSkipping(0, header, IpV4Wire::kChecksum));
}

uint64_t pseudoHeaderSum(std::span<const uint8_t> source, std::span<const uint8_t> destination,
                         uint8_t protocol) {
  if (source.size() % 4 != 0 || destination.size() % 4 != 0) {
    throw TextError("address lengths are invalid");
  }
  return onesComplementAdd(onesComplementAdd(0, source), destination) + protocol;
}

uint16_t udpChecksum(uint64_t pseudoHeader, std::span<const uint8_t> datagram) {
  const uint16_t checksum =
      checksumOf(sumSkipping(pseudoHeader + lengthSum(datagram.size()), datagram, UdpWire::kChecksum));
  return checksum == 0 ? 0xffff : checksum;
}

uint16_t tcpChecksum(uint64_t pseudoHeader, std::span<const uint8_t> segment) {
  return checksumOf(sumSkipping(pseudoHeader + lengthSum(segment.size()), segment, TcpWire::kChecksum));
}

uint16_t tcpHeaderOnlyChecksum(std::span<const uint8_t> header) {
  return checksumOf(sumSkipping(0, header.first(std::min(header.size(), size_t{TcpWire::kSize})),
                                TcpWire::kChecksum));
}

}  // namespace corvel
