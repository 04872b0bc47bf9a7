#include "corvel/protocols/checksum.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "corvel/base/text_error.h"
#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/ipv4/ipv4.h"
#include "corvel/protocols/tcp/tcp.h"
#include "corvel/protocols/udp/udp.h"

namespace corvel {

namespace {

// The one's-complement sum does not depend on byte order except for a final
// swap (RFC 1071, section 2), and 2^16 = 1 modulo 2^16 - 1, so whole 32-bit
// words in machine order can be added as plain integers and folded
// afterwards. This is that integer: exactly 0 when every byte is.
uint64_t machineSum(std::span<const uint8_t> bytes) {
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
  return machine;
}

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// Bytes that machineSum adds as 32-bit words; the 16-bit words and the odd
// last byte after them are added as 16-bit values.
size_t wordBytes(size_t size) { return size / 4 * 4; }

// What byte `i` of `bytes` added to machineSum: its value shifted to its
// place, counted from the low end, in the machine value it was loaded with.
uint64_t machineShare(std::span<const uint8_t> bytes, size_t i) {
  const size_t words = wordBytes(bytes.size());
  size_t place = 0;
  if (i < words) {
    place = kLittleEndian ? i % 4 : 3 - i % 4;
  } else {
    // First or second byte of a final 16-bit value; an odd last byte is the
    // first, paired with a zero.
    const size_t at = (i - words) % 2;
    place = kLittleEndian ? at : 1 - at;
  }
  return uint64_t{bytes[i]} << (8 * place);
}

// The same for the 16-bit word at the even offset `at`, wholly inside
// `bytes`: in one half of a 32-bit word, or the final 16-bit value.
uint64_t machineWordShare(std::span<const uint8_t> bytes, size_t at) {
  uint16_t v;
  std::memcpy(&v, bytes.data() + at, sizeof v);
  if (at >= wordBytes(bytes.size())) return v;
  return uint64_t{v} << (kLittleEndian ? 8 * (at % 4) : 16 - 8 * (at % 4));
}

uint64_t foldMachineSum(uint64_t sum, uint64_t machine) {
  uint16_t folded = foldChecksum(machine);
  if constexpr (kLittleEndian) folded = static_cast<uint16_t>((folded << 8) | (folded >> 8));
  return sum + folded;
}

// Takes the exact share of the bytes of `field` back out of `machine`, the
// machineSum of `bytes`.
uint64_t withoutField(uint64_t machine, std::span<const uint8_t> bytes, const BitField& field) {
  const auto at = static_cast<size_t>(field.byte);
  const auto end = static_cast<size_t>(fieldEnd(field));
  if (at % 2 == 0 && end == at + 2 && end <= bytes.size()) return machine - machineWordShare(bytes, at);
  for (size_t i = at; i < std::min(end, bytes.size()); ++i) machine -= machineShare(bytes, i);
  return machine;
}

// Sum of `bytes` with the field `skip` (a checksum field) left out, in one
// pass: its bytes' exact share of the machine sum is taken back out, so a sum
// over nothing but zeros stays 0.
uint64_t sumSkipping(uint64_t sum, std::span<const uint8_t> bytes, const BitField& skip) {
  return foldMachineSum(sum, withoutField(machineSum(bytes), bytes, skip));
}

// The pseudo-header's length: a 16-bit word for IPv4; for IPv6 a 32-bit
// word, whose two halves give the same sum.
uint64_t lengthSum(size_t length) {
  const auto value = static_cast<uint64_t>(length);
  return (value >> 16) + (value & 0xffffu);
}

}  // namespace

uint64_t onesComplementAdd(uint64_t sum, std::span<const uint8_t> bytes) {
  return foldMachineSum(sum, machineSum(bytes));
}

uint64_t ipv4FixedSum(std::span<const uint8_t> header) {
  const uint64_t machine = withoutField(machineSum(header), header, Ipv4Wire::kChecksum);
  return foldMachineSum(0, withoutField(machine, header, Ipv4Wire::kTotalLength));
}

uint16_t ipv4HeaderChecksum(uint64_t fixedSum, uint16_t totalLength) {
  return checksumOf(fixedSum + totalLength);
}

uint16_t ipv4HeaderChecksum(std::span<const uint8_t> header) {
  return checksumOf(sumSkipping(0, header, Ipv4Wire::kChecksum));
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
