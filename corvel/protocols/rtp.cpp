#include "corvel/protocols/rtp.h"

#include "corvel/protocols/payload_config.h"

namespace corvel {

namespace {
constexpr BitField kVersion{0, 7, 2};
constexpr BitField kPadding{0, 5, 1};
constexpr BitField kExtension{0, 4, 1};
constexpr BitField kCsrcCount{0, 3, 4};
constexpr BitField kMarker{1, 7, 1};
constexpr BitField kPayloadType{1, 6, 7};
constexpr BitField kSequenceNumber = byteField(2, 2);
constexpr BitField kTimestamp = byteField(4, 4);
constexpr BitField kSsrc = byteField(8, 4);
constexpr const char* kOneBit = "Error, value must be 1 or 0.";
}  // namespace

RtpProtocolConfig::RtpProtocolConfig(std::string_view headerHex)
    : ProtocolConfig(ProtocolKind::Rtp, false) {
  loadHeader(headerHex, kHeaderSize,
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
  setHeaderField(kVersion, value, "Error, VER field value must be 0 thru 3");
}
void RtpProtocolConfig::setPadding(int64_t value) { setHeaderField(kPadding, value, kOneBit); }
void RtpProtocolConfig::setExtension(int64_t value) { setHeaderField(kExtension, value, kOneBit); }
void RtpProtocolConfig::setCsrcCount(int64_t value) {
  setHeaderField(kCsrcCount, value, "Error, CC field value must be 0 thru 15");
}
void RtpProtocolConfig::setMarker(int64_t value) { setHeaderField(kMarker, value, kOneBit); }
void RtpProtocolConfig::setPayloadType(int64_t value) {
  setHeaderField(kPayloadType, value, "Error, PT field value must be 0 thru 127");
}
void RtpProtocolConfig::setSequenceNumber(int64_t value) {
  setHeaderField(kSequenceNumber, value, "Error, SEQ field value must be 0 thru 65535");
}
void RtpProtocolConfig::setTimestamp(int64_t value) {
  setHeaderField(kTimestamp, value, "Error, TS field value must be 0 thru 4294967295");
}
void RtpProtocolConfig::setSsrc(int64_t value) {
  setHeaderField(kSsrc, value, "Error, SSRC field value must be 0 thru 4294967295");
}

uint32_t RtpProtocolConfig::version() const { return static_cast<uint32_t>(headerField(kVersion)); }
uint32_t RtpProtocolConfig::padding() const { return static_cast<uint32_t>(headerField(kPadding)); }
uint32_t RtpProtocolConfig::extension() const { return static_cast<uint32_t>(headerField(kExtension)); }
uint32_t RtpProtocolConfig::csrcCount() const { return static_cast<uint32_t>(headerField(kCsrcCount)); }
uint32_t RtpProtocolConfig::marker() const { return static_cast<uint32_t>(headerField(kMarker)); }
uint32_t RtpProtocolConfig::payloadType() const {
  return static_cast<uint32_t>(headerField(kPayloadType));
}
uint32_t RtpProtocolConfig::sequenceNumber() const {
  return static_cast<uint32_t>(headerField(kSequenceNumber));
}
uint32_t RtpProtocolConfig::timestamp() const { return static_cast<uint32_t>(headerField(kTimestamp)); }
uint32_t RtpProtocolConfig::ssrc() const { return static_cast<uint32_t>(headerField(kSsrc)); }

}  // namespace corvel
