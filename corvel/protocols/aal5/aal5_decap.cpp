#include "corvel/protocols/aal5/aal5_decap.h"

#include "corvel/base/text_error.h"
#include "corvel/protocols/aal5/aal5.h"
#include "corvel/protocols/crc32.h"

namespace corvel {

namespace {
// Trailer (last 8 bytes): UU 0, CPI 1, length 2-3, CRC-32 4-7.
constexpr int32_t kTrailer = Aal5Wire::kTrailerSize;
constexpr int32_t kLengthAt = 2;
constexpr int32_t kCrcAt = 4;
constexpr int32_t kCrcSize = 4;
// The PAD field fills the PDU up to the next cell boundary: 0 to 47 octets
// (ITU-T I.363.5).
constexpr int32_t kCellPayload = 48;
constexpr double kMaxPayload = 65535;
constexpr double kMinPayload = 1;
}  // namespace

Aal5FramingDecapsulator::Aal5FramingDecapsulator(const ProtocolConfig& config, std::string name,
                                                 std::string warningPrefix, int32_t header,
                                                 bool checksLengthSign, const char* noPayload)
    // The CRC costs a pass over the whole PDU: it is checked from level 2.
    : Decapsulator(config, std::move(name), std::move(warningPrefix), 2),
      _header(header),
      _checksLengthSign(checksLengthSign),
      _noPayload(noPayload) {}

void Aal5FramingDecapsulator::failTrailer(std::string_view what) const {
  std::string text = name();
  text.append(" Verification error, ").append(what);
  throw TextError(text);
}

int32_t Aal5FramingDecapsulator::verify(ByteView layer, VerifyContext& context) {
  if (layer.bytes().data() == nullptr && layer.empty()) fail("data pointer is null");
  if (layer.empty()) fail("no space allocated to data pointer");
  if (layer.size() < static_cast<size_t>(_header + kTrailer))
    fail("not enough allocated memory to hold both the header & trailer");
  // Payload and padding together.
  const auto carried = static_cast<int32_t>(layer.size()) - _header - kTrailer;
  if (carried < kMinPayload) fail("not enough allocated memory to contain a payload");
  if (carried > kMaxPayload) fail("payload data exceed the maximum transfer unit");
  _headerSize = _header;
  _trailerSize = kTrailer;

  const auto trailerAt = static_cast<int32_t>(layer.size()) - kTrailer;
  if (layer.allZero(static_cast<size_t>(trailerAt), kTrailer)) failTrailer("trailer contents is all zeros.");
  const auto length = static_cast<int64_t>(layer.value(byteField(trailerAt + kLengthAt, 2)));
  if (_checksLengthSign && length <= 0) failTrailer("internal length is <= 0.");
  // The length field counts the LLC/SNAP header with the payload.
  const int64_t internal = length - _header;
  const int64_t padding = carried - internal;
  if (context.padded && internal >= 0 && padding >= 0) {
    context.padded = false;
  } else if (padding < 0 || padding >= kCellPayload) {
    fail("payload is not equal internal Size");
  }
  if (internal <= 0) fail(_noPayload);

  if (warningsOn(context)) {
    const uint64_t stored = layer.value(byteField(trailerAt + kCrcAt, kCrcSize));
    if (stored == 0) {
      warn(context, "CRC field is zero");
    } else if (Aal5Crc32::shared().compute(layer.bytes().first(layer.size() - kCrcSize)) != stored) {
      warn(context, "CRC calculation does not equal stored value");
    }
  }
  return static_cast<int32_t>(internal);
}

AAL5Decapsulator::AAL5Decapsulator(const ProtocolConfig& config)
    : Aal5FramingDecapsulator(config, "AAL5", "AAL5 warning, ", Aal5Wire::kSize, true,
                              "protocol contains no payload") {}

// The bridged form has no check of the length field's sign: a zero length
// fails as a length that does not match.
AAL58023Decapsulator::AAL58023Decapsulator(const ProtocolConfig& config)
    : Aal5FramingDecapsulator(config, "AAL58023", "AAL5802 warning, ", Aal58023Wire::kSize,
                              false, "protocol contains no payload.") {}

}  // namespace corvel
