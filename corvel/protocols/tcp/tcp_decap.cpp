#include "corvel/protocols/tcp/tcp_decap.h"

#include "corvel/protocols/checksum.h"
#include "corvel/protocols/tcp/tcp.h"

namespace corvel {

TcpDecapsulator::TcpDecapsulator(const ProtocolConfig& config) : Decapsulator(config, "TCP", "Tcp warning, ") {}

// The header as captured: its data offset (5 to 15 words) says where the
// data starts, whatever the stream's own header holds; a generated stream
// sends its own size there.
int32_t TcpDecapsulator::verify(ByteView layer, VerifyContext& context) {
  checkSizes(layer, TcpWire::kSize, 0, kMaxPayload, 0);
  const auto header = static_cast<int32_t>(layer.value(TcpWire::kDataOffset)) * 4;
  if (header < TcpWire::kSize || static_cast<size_t>(header) > layer.size())
    fail("the internal header size and actual header size does not match.");
  const int32_t payload = checkSizes(layer, header, 0, kMaxPayload, 0);
  walkOptions(layer.sub(TcpWire::kSize, static_cast<size_t>(header - TcpWire::kSize)));
  if (payload <= 0 && !context.emptyPayloadAllowed) fail("protocol contains no payload.");
  if (warningsOn(context) && layer.value(TcpWire::kChecksum) != 0) {
    // The whole segment as captured; without an IP layer outside, the
    // checksum covers the fixed header alone.
    const uint16_t expected =
        context.sourceAddress.empty()
            ? tcpHeaderOnlyChecksum(layer.bytes())
            : tcpChecksum(pseudoHeaderSum(context.sourceAddress, context.destinationAddress, kIpProtocolTcp),
                          layer.bytes());
    if (expected != layer.value(TcpWire::kChecksum)) warn(context, "CHECKSUM recomputation does not match stored value");
  }
  context.sourceAddress = {};
  context.destinationAddress = {};
  return payload;
}

// RFC 9293 section 3.1: an end-of-option-list byte ends the list (what
// follows is padding), a no-operation byte stands alone, every other option
// is a kind byte, a length byte counting both and its data.
void TcpDecapsulator::walkOptions(ByteView options) const {
  size_t at = 0;
  while (at < options.size()) {
    const uint64_t kind = options.value(byteField(static_cast<int32_t>(at), 1));
    if (kind == TcpWire::kEndOfOptions) return;
    if (kind == TcpWire::kNoOperation) {
      ++at;
      continue;
    }
    const std::optional<uint64_t> length = options.field(byteField(static_cast<int32_t>(at + 1), 1));
    if (!length || *length > options.size() - at) fail("option length runs past the header.");
    if (*length < 2) fail("option length is less than 2.");
    at += *length;
  }
}

}  // namespace corvel
