#include "corvel/protocols/compressed_header/compressed_header_decap.h"

#include <bit>

#include "corvel/protocols/compressed_header/compressed_header.h"

namespace corvel {

namespace {
constexpr double kLargestLayer = 65535;
constexpr double kMinPayload = 1;
constexpr int32_t kChecksumBytes = 2;

// Compressed RTP, byte 2: bit 7 says a CSRC count byte follows the checksum
// (with as many CSRC bytes at the end of the header), bits 6-4 one delta
// byte each (RTP sequence, RTP timestamp, IPv4 identification). The size
// these give, or -1 when the header breaks off before its CSRC count.
int64_t rtpHeaderSize(ByteView header, int32_t checksumBytes) {
  using Wire = CompressedRtpWire;
  const std::optional<uint64_t> flags = header.field(Wire::kFlags);
  if (!flags) return -1;
  int64_t size = 3 + checksumBytes + std::popcount(static_cast<uint8_t>(*flags & Wire::kDeltaFlags));
  if ((*flags & Wire::kCsrcCountFlag) != 0) {
    const std::optional<uint64_t> csrcCount = header.field(BitField{3 + checksumBytes, 3, 4});
    if (!csrcCount) return -1;
    size += 1 + static_cast<int64_t>(*csrcCount);
  }
  return size;
}
}  // namespace

CompressedHeaderDecapsulator::CompressedHeaderDecapsulator(const ProtocolConfig& config, std::string name)
    : Decapsulator(config, std::move(name), ""), _configuredHeader(config.headerLength()) {}

int64_t CompressedHeaderDecapsulator::capturedHeaderSize(ByteView /*layer*/) const { return _configuredHeader; }

int32_t CompressedHeaderDecapsulator::verify(ByteView layer, VerifyContext& /*context*/) {
  const int32_t payload =
      checkSizes(layer, _configuredHeader, 0, kLargestLayer - _configuredHeader, kMinPayload);
  if (capturedHeaderSize(layer) != _configuredHeader) fail("payload size does not equal internal size.");
  return payload;
}

CompressedUdpDecapsulator::CompressedUdpDecapsulator(const ProtocolConfig& config)
    : CompressedHeaderDecapsulator(config, "CompressedUdp") {}

CompressedNonTcpDecapsulator::CompressedNonTcpDecapsulator(const ProtocolConfig& config)
    : CompressedHeaderDecapsulator(config, "CompressedNonTcp") {}

namespace {
// The checksum flag is not on the wire: the configured header tells whether
// it was built with one (the TCS reader always asks for it).
int32_t checksumBytesOf(const ProtocolConfig& config) {
  const ByteView header(config.headerBytes());
  if (rtpHeaderSize(header, kChecksumBytes) == config.headerLength()) return kChecksumBytes;
  return rtpHeaderSize(header, 0) == config.headerLength() ? 0 : kChecksumBytes;
}
}  // namespace

CompressedRtpDecapsulator::CompressedRtpDecapsulator(const ProtocolConfig& config)
    : CompressedHeaderDecapsulator(config, "CompressedUdp"), _checksumBytes(checksumBytesOf(config)) {}

int64_t CompressedRtpDecapsulator::capturedHeaderSize(ByteView layer) const {
  return rtpHeaderSize(layer, _checksumBytes);
}

}  // namespace corvel
