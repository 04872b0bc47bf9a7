// RTP configuration (RFC 3550): fixed 12-byte header.
//   byte 0: version bits 7-6, padding bit 5, extension bit 4, CSRC count 3-0
//   byte 1: marker bit 7, payload type bits 6-0
//   2-3 sequence number, 4-7 timestamp, 8-11 SSRC
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "corvel/protocols/protocol_config.h"

namespace corvel {

class RtpProtocolConfig : public ProtocolConfig {
 public:
  static constexpr int32_t kHeaderSize = 12;

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
