#include "corvel/protocols/rtp/rtp.h"

#include "corvel/protocols/payload/payload_config.h"

namespace corvel {

namespace {
constexpr const char* kOneBit = "Error, value must be 1 or 0.";
}  // namespace

RtpProtocolConfig::RtpProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::Rtp, false) {
  loadHeader(headerHex, RtpWire::kSize,
             "RTP header hex value must be represented in a string with 24 characters.",
             "RTP header contain nonHex character(s)");
}

std::unique_ptr<ProtocolConfig> RtpProtocolConfig::clone() const {
  return std::make_unique<RtpProtocolConfig>(*this);
}

bool RtpProtocolConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Generic, ProtocolKind::Payload});
}

void RtpProtocolConfig::setVersion(int64_t value) {
  setHeaderField(RtpWire::kVersion, value, "Error, VER field value must be 0 thru 3");
}
void RtpProtocolConfig::setPadding(int64_t value) { setHeaderField(RtpWire::kPadding, value, kOneBit); }
void RtpProtocolConfig::setExtension(int64_t value) { setHeaderField(RtpWire::kExtension, value, kOneBit); }
void RtpProtocolConfig::setCsrcCount(int64_t value) {
  setHeaderField(RtpWire::kCsrcCount, value, "Error, CC field value must be 0 thru 15");
}
void RtpProtocolConfig::setMarker(int64_t value) { setHeaderField(RtpWire::kMarker, value, kOneBit); }
void RtpProtocolConfig::setPayloadType(int64_t value) {
  setHeaderField(RtpWire::kPayloadType, value, "Error, PT field value must be 0 thru 127");
}
void RtpProtocolConfig::setSequenceNumber(int64_t value) {
  setHeaderField(RtpWire::kSequenceNumber, value, "Error, SEQ field value must be 0 thru 65535");
}
void RtpProtocolConfig::setTimestamp(int64_t value) {
  setHeaderField(RtpWire::kTimestamp, value, "Error, TS field value must be 0 thru 4294967295");
}
void RtpProtocolConfig::setSsrc(int64_t value) {
  setHeaderField(RtpWire::kSsrc, value, "Error, SSRC field value must be 0 thru 4294967295");
}

uint32_t RtpProtocolConfig::version() const { return static_cast<uint32_t>(headerField(RtpWire::kVersion)); }
uint32_t RtpProtocolConfig::padding() const { return static_cast<uint32_t>(headerField(RtpWire::kPadding)); }
uint32_t RtpProtocolConfig::extension() const {
  return static_cast<uint32_t>(headerField(RtpWire::kExtension));
}
uint32_t RtpProtocolConfig::csrcCount() const {
  return static_cast<uint32_t>(headerField(RtpWire::kCsrcCount));
}
uint32_t RtpProtocolConfig::marker() const { return static_cast<uint32_t>(headerField(RtpWire::kMarker)); }
uint32_t RtpProtocolConfig::payloadType() const {
  return static_cast<uint32_t>(headerField(RtpWire::kPayloadType));
}
uint32_t RtpProtocolConfig::sequenceNumber() const {
  return static_cast<uint32_t>(headerField(RtpWire::kSequenceNumber));
}
uint32_t RtpProtocolConfig::timestamp() const {
  return static_cast<uint32_t>(headerField(RtpWire::kTimestamp));
}
uint32_t RtpProtocolConfig::ssrc() const { return static_cast<uint32_t>(headerField(RtpWire::kSsrc)); }

}  // namespace corvel
