// RTP (RFC 3550): the header layout and the configuration.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

// The fixed 12-byte header (no CSRC list).
struct RtpWire {
  static constexpr int32_t kSize = 12;
  static constexpr int32_t kVersionNumber = 2;
  static constexpr HeaderField kVersion = headerField(BitField{0, 7, 2}, "VERSION", "version", FieldDisplay::Decimal);
  static constexpr HeaderField kPadding = headerField(BitField{0, 5, 1}, "PADDING", "padding", FieldDisplay::Decimal);
  static constexpr HeaderField kExtension =
      headerField(BitField{0, 4, 1}, "EXTENSION", "extention", FieldDisplay::Decimal);
  static constexpr HeaderField kCsrcCount = headerField(BitField{0, 3, 4}, "CC", "CSRC_count", FieldDisplay::Decimal);
  static constexpr HeaderField kMarker = headerField(BitField{1, 7, 1}, "MARKER", "marker", FieldDisplay::Decimal);
  static constexpr HeaderField kPayloadType =
      headerField(BitField{1, 6, 7}, "PT", "payload_type", FieldDisplay::Decimal);
  static constexpr HeaderField kSequenceNumber =
      headerField(byteField(2, 2), "SEQ", "seq_number", FieldDisplay::Decimal);
  static constexpr HeaderField kTimestamp = headerField(byteField(4, 4), "TS", "time_stamp", FieldDisplay::Decimal);
  static constexpr HeaderField kSsrc = headerField(byteField(8, 4), "SSRC", "source_id", FieldDisplay::Hex);
};
static_assert(fieldEnd(RtpWire::kSsrc) == RtpWire::kSize);

// The header fields of Rtp in header order, for look-ups by name or attribute.
inline constexpr HeaderField kRtpFields[] = {
    RtpWire::kVersion,     RtpWire::kPadding,        RtpWire::kExtension, RtpWire::kCsrcCount, RtpWire::kMarker,
    RtpWire::kPayloadType, RtpWire::kSequenceNumber, RtpWire::kTimestamp, RtpWire::kSsrc,
};

class RtpProtocolConfig : public ProtocolConfig {
 public:
  explicit RtpProtocolConfig(std::string_view headerHex);  // 24 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig &inner) const override;

  void setVersion(int64_t value);         // 0..3
  void setPadding(int64_t value);         // 0..1
  void setExtension(int64_t value);       // 0..1
  void setCsrcCount(int64_t value);       // 0..15
  void setMarker(int64_t value);          // 0..1
  void setPayloadType(int64_t value);     // 0..127
  void setSequenceNumber(int64_t value);  // 0..65535
  void setTimestamp(int64_t value);       // 0..2^32-1
  void setSsrc(int64_t value);            // 0..2^32-1

  uint32_t version() const;
  uint32_t padding() const;
  uint32_t extension() const;
  uint32_t csrcCount() const;
  uint32_t marker() const;
  uint32_t payloadType() const;
  uint32_t sequenceNumber() const;
  uint32_t timestamp() const;
  uint32_t ssrc() const;
};

}  // namespace corvel
