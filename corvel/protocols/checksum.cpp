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

// What byte `i` of `bytes` added to machineSum: its value at its place in a
// 32-bit machine word, or as the first byte of the zero-padded final pair.
uint64_t machineShare(std::span<const uint8_t> bytes, size_t i) {
  const bool lastOdd = bytes.size() % 2 != 0 && i + 1 == bytes.size();
  size_t place = lastOdd ? 0 : i % 4;  // byte place within the machine word, from the low end
  if constexpr (std::endian::native == std::endian::big) place = lastOdd ? 1 : 3 - i % 4;
  return uint64_t{bytes[i]} << (8 * place);
}

// The same for the 16-bit word at the even offset `at`, wholly inside
// `bytes`: it sits in one half of a machine word.
uint64_t machineWordShare(std::span<const uint8_t> bytes, size_t at) {
  uint16_t v;
  std::memcpy(&v, bytes.data() + at, sizeof v);
  const size_t half = std::endian::native == std::endian::little ? at % 4 : 2 - at % 4;
  return uint64_t{v} << (8 * half);
}

uint64_t foldMachineSum(uint64_t sum, uint64_t machine) {
  uint16_t folded = foldChecksum(machine);
  if constexpr (std::endian::native == std::endian::little) {
    folded = static_cast<uint16_t>((folded << 8) | (folded >> 8));
  }
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
  const uint64_t machine = withoutField(machineSum(header), header, IpV4Wire::kChecksum);
  return foldMachineSum(0, withoutField(machine, header, IpV4Wire::kTotalLength));
}

uint16_t ipv4HeaderChecksum(uint64_t fixedSum, uint16_t totalLength) { return checksumOf(fixedSum + totalLength); }

uint16_t ipv4HeaderChecksum(std::span<const uint8_t> header) {
  const auto totalLength = header.size() >= static_cast<size_t>(fieldEnd(IpV4Wire::kTotalLength))
                               ? static_cast<uint16_t>(readBitField(header, IpV4Wire::kTotalLength))
                               : uint16_t{0};
  return ipv4HeaderChecksum(ipv4FixedSum(header), totalLength);
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
