#include "corvel/protocols/compressed_header/compressed_header.h"

#include <vector>

#include "corvel/base/text_error.h"
#include "corvel/protocols/payload/payload_config.h"

namespace corvel {

namespace {
constexpr const char* kContextIdRange = "value must be 0 thru 65535";
constexpr const char* kSequenceRange = "value must be 0 thru 15";
constexpr const char* kByteRange = "value must be 0 thru 255";

// Compressed RTP and compressed UDP: the context identifier in bytes 0-1,
// the sequence in bits 3-0 of byte 2.
constexpr BitField kContextId = CompressedRtpWire::kContextId;
constexpr BitField kContextHigh = CompressedRtpWire::kContextHigh;
constexpr BitField kContextLow = CompressedRtpWire::kContextLow;
constexpr BitField kSequence = CompressedRtpWire::kSequence;
// Compressed non-TCP: the context identifier split around the generation.
constexpr BitField kNonTcpContextHigh = CompressedNonTcpWire::kContextHigh;
constexpr BitField kNonTcpGeneration = CompressedNonTcpWire::kGeneration;
constexpr BitField kNonTcpContextLow = CompressedNonTcpWire::kContextLow;
constexpr BitField kNonTcpSequence = CompressedNonTcpWire::kSequence;

void checkOptional(const std::optional<int64_t>& value, int32_t width, const char* message) {
  if (value && !bitFieldFits(BitField{0, 7, width}, *value)) throw TextError(message);
}

void putChecksum(std::vector<uint8_t>& header, size_t at, const std::optional<int64_t>& checksum) {
  writeBitField(header, byteField(static_cast<int32_t>(at), 2),
                static_cast<uint64_t>(checksum.value_or(0)));
}
}  // namespace

// ---- shared ----

CompressedHeaderConfig::CompressedHeaderConfig(ProtocolKind kind, const Fields& fields,
                                               const char* alreadyBuiltMessage, const char* notBuiltMessage)
    : ProtocolConfig(kind, false),
      _fields(fields),
      _alreadyBuiltMessage(alreadyBuiltMessage),
      _notBuiltMessage(notBuiltMessage) {}

bool CompressedHeaderConfig::acceptsInner(const ProtocolConfig& inner) const {
  return kindIsOneOf(inner, {ProtocolKind::Generic, ProtocolKind::Rtp}) || isPlainPayload(inner);
}

void CompressedHeaderConfig::requireBuilt() const {
  if (!_built) throw TextError(_notBuiltMessage);
}

void CompressedHeaderConfig::requireUnbuilt() const {
  if (_built) throw TextError(_alreadyBuiltMessage);
}

void CompressedHeaderConfig::finishBuild(std::vector<uint8_t> header) {
  assignHeader(std::move(header));
  _built = true;
}

void CompressedHeaderConfig::setContextId(int64_t value) {
  requireBuilt();
  if (!bitFieldFits(kContextId, value)) throw TextError(kContextIdRange);
  writeBitField(mutableHeader(), _fields.contextHigh, static_cast<uint64_t>(value) >> 8);
  writeBitField(mutableHeader(), _fields.contextLow, static_cast<uint64_t>(value) & 0xffu);
}

void CompressedHeaderConfig::setSequence(int64_t value) {
  requireBuilt();
  setHeaderField(_fields.sequence, value, kSequenceRange);
}

uint32_t CompressedHeaderConfig::contextId() const {
  requireBuilt();
  return static_cast<uint32_t>(headerField(_fields.contextHigh) << 8 | headerField(_fields.contextLow));
}

uint32_t CompressedHeaderConfig::sequence() const {
  requireBuilt();
  return static_cast<uint32_t>(headerField(_fields.sequence));
}

// ---- compressed RTP ----

CompressedRtpProtocolConfig::CompressedRtpProtocolConfig()
    : CompressedHeaderConfig(ProtocolKind::CompressedRtp, {kContextHigh, kContextLow, kSequence},
                             "Memory already allocated for CompressedRtp",
                             "No memory not allocated for CompressedRtp") {}

std::unique_ptr<ProtocolConfig> CompressedRtpProtocolConfig::clone() const {
  return std::make_unique<CompressedRtpProtocolConfig>(*this);
}

void CompressedRtpProtocolConfig::setOptions(const CompressedRtpOptions& options) {
  requireUnbuilt();
  checkOptional(options.udpChecksum, 16, kContextIdRange);
  checkOptional(options.deltaIpv4Id, 8, kByteRange);
  checkOptional(options.deltaRtpSequence, 8, kByteRange);
  checkOptional(options.deltaRtpTimestamp, 8, kByteRange);
  checkOptional(options.csrcCount, 4, kSequenceRange);
  _options = options;
}

void CompressedRtpProtocolConfig::buildHeader(bool withChecksum) {
  requireUnbuilt();
  const CompressedRtpOptions& o = _options;
  const bool all = o.deltaIpv4Id && o.deltaRtpSequence && o.deltaRtpTimestamp && o.csrcCount;
  const size_t csrc = all ? static_cast<size_t>(*o.csrcCount) : 0;
  const size_t deltas = (o.deltaIpv4Id ? 1 : 0) + (o.deltaRtpSequence ? 1 : 0) +
                        (o.deltaRtpTimestamp ? 1 : 0);
  std::vector<uint8_t> header(3 + (withChecksum ? 2 : 0) + deltas + (all ? 1 + csrc : 0), 0);

  uint8_t flags = 0;
  if (all) flags |= 0x80;
  if (o.deltaRtpSequence) flags |= 0x40;
  if (o.deltaRtpTimestamp) flags |= 0x20;
  if (o.deltaIpv4Id) flags |= 0x10;
  header[2] = flags;
  size_t at = 3;
  if (withChecksum) {
    putChecksum(header, at, o.udpChecksum);
    at += 2;
  }
  if (all) header[at++] = static_cast<uint8_t>(csrc & 0x0f);
  for (const auto* delta : {&o.deltaIpv4Id, &o.deltaRtpSequence, &o.deltaRtpTimestamp}) {
    if (*delta) header[at++] = static_cast<uint8_t>(**delta);
  }
  // The CSRC identifiers that follow stay zero.
  finishBuild(std::move(header));
}

// ---- compressed UDP ----

CompressedUdpProtocolConfig::CompressedUdpProtocolConfig()
    : CompressedHeaderConfig(ProtocolKind::CompressedUdp, {kContextHigh, kContextLow, kSequence},
                             "Memory already allocated for CompressedUdp",
                             "No memory not allocated for CompressedUdp") {}

std::unique_ptr<ProtocolConfig> CompressedUdpProtocolConfig::clone() const {
  return std::make_unique<CompressedUdpProtocolConfig>(*this);
}

void CompressedUdpProtocolConfig::setOptions(const CompressedUdpOptions& options) {
  requireUnbuilt();
  checkOptional(options.udpChecksum, 16, kContextIdRange);
  checkOptional(options.deltaIpv4Id, 8, kByteRange);
  _options = options;
}

void CompressedUdpProtocolConfig::buildHeader(bool withChecksum) {
  requireUnbuilt();
  std::vector<uint8_t> header(3 + (withChecksum ? 2 : 0) + (_options.deltaIpv4Id ? 1 : 0), 0);
  size_t at = 3;
  if (withChecksum) {
    putChecksum(header, at, _options.udpChecksum);
    at += 2;
  }
  if (_options.deltaIpv4Id) {
    header[2] = 0x10;
    header[at] = static_cast<uint8_t>(*_options.deltaIpv4Id);
  }
  finishBuild(std::move(header));
}

// ---- compressed non-TCP ----

CompressedNonTcpProtocolConfig::CompressedNonTcpProtocolConfig()
    : CompressedHeaderConfig(ProtocolKind::CompressedNonTcp,
                             {kNonTcpContextHigh, kNonTcpContextLow, kNonTcpSequence},
                             "Memory already allocated for CompressedNonTcp", "memory not allocated") {}

std::unique_ptr<ProtocolConfig> CompressedNonTcpProtocolConfig::clone() const {
  return std::make_unique<CompressedNonTcpProtocolConfig>(*this);
}

void CompressedNonTcpProtocolConfig::setOptions(std::optional<int64_t> udpChecksum) {
  requireUnbuilt();
  checkOptional(udpChecksum, 16, kContextIdRange);
  _udpChecksum = udpChecksum;
}

void CompressedNonTcpProtocolConfig::buildHeader(bool withChecksum) {
  requireUnbuilt();
  std::vector<uint8_t> header(4 + (withChecksum ? 2 : 0), 0);
  header[1] = 0xc0;
  if (withChecksum) putChecksum(header, 4, _udpChecksum);
  finishBuild(std::move(header));
}

void CompressedNonTcpProtocolConfig::setGeneration(int64_t value) {
  requireBuilt();
  setHeaderField(kNonTcpGeneration, value, "GENERATION value must be 0 thru 63");
}

uint32_t CompressedNonTcpProtocolConfig::generation() const {
  requireBuilt();
  return static_cast<uint32_t>(headerField(kNonTcpGeneration));
}

}  // namespace corvel
