#include "corvel/protocols/udp_encap.h"

#include <algorithm>

#include "corvel/protocols/bit_field.h"
#include "corvel/protocols/checksum.h"
#include "corvel/protocols/pseudo_header.h"
#include "corvel/protocols/udp.h"

namespace corvel {

namespace {
constexpr uint32_t kUdpProtocol = 17;
constexpr size_t kPortsSize = 4;
constexpr size_t kHeaderSize = 8;
constexpr size_t kChecksumAt = 6;
constexpr BitField kLength = byteField(4, 2);
}  // namespace

UdpEncapsulator::UdpEncapsulator(const UdpProtocolConfig& config)
    : Encapsulator(ProtocolKind::Udp, enRoleInner, config.headerBytes(), {}) {}

void UdpEncapsulator::prepareSums() {
  PseudoHeaderAddresses addresses;
  _pseudoHeader = pseudoHeaderAddresses(outer(), addresses);
  _fixedSum = 0;
  if (_pseudoHeader) {
    _fixedSum = onesComplementAdd(0, addresses.source);
    _fixedSum = onesComplementAdd(_fixedSum, addresses.destination);
    _fixedSum += kUdpProtocol;
    const std::span<const uint8_t> header = headerCopy();
    _fixedSum = onesComplementAdd(_fixedSum, header.first(std::min(header.size(), kPortsSize)));
  }
  _sumsOuter = outer();
  _sumsReady = true;
}

// The checksum (RFC 768) covers the pseudo-header (addresses, protocol and
// length), the header without its checksum word, and the data: the words
// that never change were summed once; the length counts twice, in the
// pseudo-header and in the header.
void UdpEncapsulator::encapsulate(std::span<uint8_t> layer) {
  const Layout layout = split(layer);
  copyHeader(layout);
  const int64_t length = int64_t{headerSize()} + payloadSize() + padding();
  setBitField(layout.header, kLength, length, "value exceeds length range");
  if (!_sumsReady || _sumsOuter != outer()) prepareSums();
  uint16_t checksum = 0;
  if (computeChecksum() && _pseudoHeader && layer.size() >= kHeaderSize) {
    const uint64_t sum = onesComplementAdd(_fixedSum + 2 * static_cast<uint64_t>(length), layer.subspan(kHeaderSize));
    checksum = checksumOf(sum);
    if (checksum == 0) checksum = 0xffff;
  }
  storeChecksum(layout.header, kChecksumAt, checksum);
}

}  // namespace corvel
