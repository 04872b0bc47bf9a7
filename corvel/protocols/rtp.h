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
  static constexpr BitField kVersion{0, 7, 2};
  static constexpr BitField kPadding{0, 5, 1};
  static constexpr BitField kExtension{0, 4, 1};
  static constexpr BitField kCsrcCount{0, 3, 4};
  static constexpr BitField kMarker{1, 7, 1};
  static constexpr BitField kPayloadType{1, 6, 7};
  static constexpr BitField kSequenceNumber = byteField(2, 2);
  static constexpr BitField kTimestamp = byteField(4, 4);
  static constexpr BitField kSsrc = byteField(8, 4);
};
static_assert(fieldEnd(RtpWire::kSsrc) == RtpWire::kSize);

class RtpProtocolConfig : public ProtocolConfig {
 public:
  explicit RtpProtocolConfig(std::string_view headerHex);  // 24 hex digits
  std::unique_ptr<ProtocolConfig> clone() const override;
  bool acceptsInner(const ProtocolConfig& inner) const override;

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
