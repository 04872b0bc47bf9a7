#include "corvel/protocols/stream_parser.h"

#include "corvel/base/text_error.h"
#include "corvel/protocols/aal5_decap.h"
#include "corvel/protocols/atm_decap.h"
#include "corvel/protocols/compressed_header_decap.h"
#include "corvel/protocols/dslam_decap.h"
#include "corvel/protocols/ethernet_decap.h"
#include "corvel/protocols/full_header_decap.h"
#include "corvel/protocols/generic_decap.h"
#include "corvel/protocols/interpyx_decap.h"
#include "corvel/protocols/ip_decap.h"
#include "corvel/protocols/payload_config.h"
#include "corvel/protocols/transport_decap.h"
#include "corvel/protocols/protocol_stack.h"

namespace corvel {

namespace {

bool capturableDatalink(ProtocolKind kind) {
  switch (kind) {
    case ProtocolKind::Atm:
    case ProtocolKind::DSlam:
    case ProtocolKind::Ethernet:
    case ProtocolKind::VLan:
    case ProtocolKind::XVLan:
    case ProtocolKind::Generic:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::unique_ptr<Decapsulator> makeDecapsulator(const ProtocolConfig& config) {
  switch (config.kind()) {
    case ProtocolKind::Payload: return std::make_unique<PayloadDecapsulator>(config);
    case ProtocolKind::Ethernet:
    case ProtocolKind::VLan:
    case ProtocolKind::XVLan: return std::make_unique<EthernetDecapsulator>(config);
    case ProtocolKind::Generic: return std::make_unique<GenericDecapsulator>(config);
    case ProtocolKind::Atm: return std::make_unique<AtmDecapsulator>(config);
    case ProtocolKind::DSlam: return std::make_unique<DSlamDecapsulator>(config);
    case ProtocolKind::AAL5: return std::make_unique<AAL5Decapsulator>(config);
    case ProtocolKind::AAL58023: return std::make_unique<AAL58023Decapsulator>(config);
    case ProtocolKind::InterPyx: return std::make_unique<InterPyxDecapsulator>(config);
    case ProtocolKind::CompressedUdp: return std::make_unique<CompressedUdpDecapsulator>(config);
    case ProtocolKind::CompressedNonTcp: return std::make_unique<CompressedNonTcpDecapsulator>(config);
    case ProtocolKind::CompressedRtp: return std::make_unique<CompressedRtpDecapsulator>(config);
    case ProtocolKind::FullHeader: return std::make_unique<FullHeaderDecapsulator>(config);
    case ProtocolKind::IpV4: return std::make_unique<IpV4Decapsulator>(config);
    case ProtocolKind::IpV6: return std::make_unique<IpV6Decapsulator>(config);
    case ProtocolKind::Udp: return std::make_unique<UdpDecapsulator>(config);
    case ProtocolKind::Tcp: return std::make_unique<TcpDecapsulator>(config);
    case ProtocolKind::Rtp: return std::make_unique<RtpDecapsulator>(config);
    default: break;
  }
  throw TextError("no verifier for protocol kind " + std::to_string(static_cast<int32_t>(config.kind())));
}

StreamParser::StreamParser(const ProtocolStack& stack) : _stack(stack) {
  if (stack.count() == 0 || stack.at(0).kind() != ProtocolKind::Payload)
    throw TextError("Port first protocol is not a payload");
  if (!capturableDatalink(stack.at(stack.count() - 1).kind()))
    throw TextError("Port last protocol is not atm/ethernet/generic for defined capture.");
  for (const auto& config : stack.protocols()) _chain.push_back(makeDecapsulator(*config));
  const auto* payload = dynamic_cast<const PayloadConfig*>(&stack.at(0));
  _emptyPayloadAllowed = payload && payload->allowsEmpty();
}

StreamParser::~StreamParser() = default;

ProtocolKind StreamParser::datalinkKind() const { return _chain.back()->kind(); }

std::optional<ProtocolKind> StreamParser::innerKind() const {
  if (_chain.size() < 3) return std::nullopt;
  return _chain[_chain.size() - 2]->kind();
}

const Decapsulator* StreamParser::inner(size_t depth) const {
  // The chain runs payload (0) to datalink (last); the payload is no layer here.
  if (depth + 2 >= _chain.size()) return nullptr;
  return _chain[_chain.size() - 2 - depth].get();
}

DatalinkDecapsulator& StreamParser::datalink() const { return static_cast<DatalinkDecapsulator&>(*_chain.back()); }

void StreamParser::verify(const CapturedStreamPdu& pdu, VerifyContext& context) const {
  ByteView layer(pdu.data);
  context.emptyPayloadAllowed = _emptyPayloadAllowed;
  for (size_t i = _chain.size() - 1; i-- > 0;) {
    Decapsulator& decapsulator = *_chain[i];
    const int32_t contextLayers = context.lengthsFromContext;
    const int32_t payload = decapsulator.verify(layer, context);
    if (contextLayers > 0) --context.lengthsFromContext;
    layer = layer.sub(static_cast<size_t>(decapsulator.headerSize()), static_cast<size_t>(payload));
  }
}

}  // namespace corvel
