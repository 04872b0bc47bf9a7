#include "corvel/protocols/ethernet/ethernet_decap.h"

#include <algorithm>

#include "corvel/base/text_error.h"
#include "corvel/protocols/crc32.h"
#include "corvel/protocols/ethernet/ethernet.h"
#include "corvel/protocols/vlan/vlan.h"

namespace corvel {

namespace {

constexpr int32_t kFcsSize = EthernetWire::kFcsSize;
// Without the FCS a frame holds 60 to 1514 bytes (IEEE 802.3).
constexpr int32_t kMinFrame = EthernetWire::kMinFrame - kFcsSize;
constexpr int32_t kMaxFrame = EthernetWire::kMaxFrame - kFcsSize;

// Each IEEE 802.1Q tag makes room for 4 more bytes: 1522 bytes with the FCS
// for a frame with one tag (IEEE 802.3 clause 3.5). The minimum stays.
constexpr int32_t kTagSize = 4;

int32_t tagsOf(ProtocolKind kind) { return kind == ProtocolKind::VLan || kind == ProtocolKind::XVLan ? 1 : 0; }

// The EtherType of the payload: the last two bytes of each form's header.
const HeaderField& etherTypeOf(ProtocolKind kind) {
  switch (kind) {
    case ProtocolKind::VLan: return VLanWire::kEtherType;
    case ProtocolKind::XVLan: return XVLanWire::kType;
    default: return EthernetWire::kEtherType;
  }
}

const char* nameOf(ProtocolKind kind) {
  switch (kind) {
    case ProtocolKind::VLan: return "VLan";
    case ProtocolKind::XVLan: return "XVLan";
    default: return "Ethernet";
  }
}

}  // namespace

EthernetDecapsulator::EthernetDecapsulator(const ProtocolConfig& config)
    : DatalinkDecapsulator(config, nameOf(config.kind()), std::string(nameOf(config.kind())) + " warning, "),
      _configuredHeader(std::max(config.headerLength(), 14)),
      _minPayload(std::max(kMinFrame - _configuredHeader, 0)),
      _maxPayload(kMaxFrame + kTagSize * tagsOf(config.kind()) - _configuredHeader),
      // 802.1Q frames are checked for their FCS only; the others for their
      // addresses too, and plain Ethernet for its type.
      _addressWarnings(config.kind() != ProtocolKind::VLan),
      _typeWarning(config.kind() == ProtocolKind::Ethernet) {}

std::optional<ProtocolKind> EthernetDecapsulator::serviceAccessProtocol(ByteView frame) const {
  const std::optional<uint64_t> type = frame.field(etherTypeOf(kind()));
  if (type == kEtherTypeIpv4) return ProtocolKind::IpV4;
  if (type == kEtherTypeIpv6) return ProtocolKind::IpV6;
  return std::nullopt;
}

void EthernetDecapsulator::checkInnerNamed(ByteView frame, ProtocolKind inner) const {
  std::optional<uint64_t> expected;
  if (inner == ProtocolKind::IpV4) expected = kEtherTypeIpv4;
  if (inner == ProtocolKind::IpV6) expected = kEtherTypeIpv6;
  checkNamedNumber(frame, etherTypeOf(kind()), serviceAccessProtocol(frame), inner, expected);
}

void EthernetDecapsulator::parseHeader(CapturedStreamFrame& frame, VerifyReport& /*report*/) {
  frame.protocolType = static_cast<int32_t>(kind());
  frame.headerSize = _configuredHeader;
  frame.trailerSize = kFcsSize;
  frame.connection = 0;
  frame.endsPdu = true;
}

int32_t EthernetDecapsulator::verify(ByteView frame, VerifyContext& context) {
  const int32_t payload = checkSizes(frame, _configuredHeader, kFcsSize, _maxPayload, _minPayload);
  if (warningsOn(context)) {
    if (_addressWarnings) {
      if (frame.allZero(EthernetWire::kSource)) warn(context, "SOURCE field is zero");
      if (frame.allZero(EthernetWire::kDestination)) warn(context, "DESTINATION field is zero");
    }
    if (_typeWarning && frame.value(EthernetWire::kEtherType) == 0) warn(context, "PROTOCOL field not specified");
    const size_t covered = frame.size() - kFcsSize;
    const uint64_t stored = frame.value(byteField(static_cast<int32_t>(covered), 4));
    if (stored == 0) {
      warn(context, "CRC is zero");
    } else {
      uint8_t expected[kFcsSize];
      EthernetFcs::shared().store(frame.bytes().first(covered), expected);
      if (!std::equal(expected, expected + kFcsSize, frame.bytes().begin() + static_cast<std::ptrdiff_t>(covered)))
        warn(context, "CRC does not compute to stored CRC");
    }
  }
  return payload;
}

void EthernetDecapsulator::extractPdu(VerifyContext& context, CapturedStreamPdu& pdu) {
  const FrameQueue& frames = takeCurrent();
  if (frames.size() != 1) throw TextError("Ethernet Decapsulator has stored more than one frame");
  const CapturedStreamFrame& frame = frames.front();
  pdu.clear();
  pdu.frameCount = 1;
  pdu.carriedBytes = static_cast<int32_t>(frame.data.size());
  pdu.firstCycle = frame.firstCycle;
  pdu.lastCycle = frame.lastCycle;
  const int32_t payload = verify(ByteView(frame.data), context);
  pdu.discardedHeader = _configuredHeader;
  pdu.discardedTrailer = kFcsSize;
  const auto begin = frame.data.begin() + _configuredHeader;
  pdu.data.assign(begin, begin + payload);
  // A minimum-size frame may carry padding behind the inner layers.
  pdu.padded = payload <= _minPayload;
  context.padded = pdu.padded;
}

}  // namespace corvel
