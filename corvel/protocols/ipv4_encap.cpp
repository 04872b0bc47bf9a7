#include "corvel/protocols/ipv4_encap.h"

#include <algorithm>
#include <array>

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/ipv4.h"

namespace corvel {

namespace {

constexpr size_t kHeaderWords = 20;
constexpr size_t kChecksumAt = 10;
constexpr BitField kTotalLength = byteField(2, 2);

// The header with its computed fields taken as zero.
uint64_t fixedWordsSum(std::span<const uint8_t> header) {
  std::array<uint8_t, kHeaderWords> words{};
  std::copy_n(header.begin(), std::min(header.size(), words.size()), words.begin());
  words[2] = words[3] = 0;                          // total length
  words[kChecksumAt] = words[kChecksumAt + 1] = 0;  // checksum
  return onesComplementAdd(0, words);
}

}  // namespace

IpV4Encapsulator::IpV4Encapsulator(const IpV4ProtocolConfig& config)
    : Encapsulator(ProtocolKind::IpV4, enRoleInner, config.headerBytes(), {}),
      _fixedSum(fixedWordsSum(headerCopy())) {}

// The checksum covers the ten header words (RFC 791): the fixed ones, summed
// once, and the total length.
void IpV4Encapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  const auto totalLength = static_cast<uint64_t>(headerSize() + payloadSize() + padding()) & 0xffffu;
  writeBitField(layout.header, kTotalLength, totalLength);
  storeChecksum(layout.header, kChecksumAt, computeChecksum() ? checksumOf(_fixedSum + totalLength) : 0);
}

}  // namespace corvel
