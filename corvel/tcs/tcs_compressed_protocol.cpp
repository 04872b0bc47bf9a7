#include "corvel/tcs/tcs_compressed_protocol.h"

#include <vector>

#include "corvel/protocols/compressed_header.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/full_header.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr std::string_view kUnit = "TcsRtpAndCompressedProtocols";

// The compressed headers built from a TCS file always carry the UDP checksum.
constexpr bool kWithChecksum = true;

std::optional<int64_t> Optional(const xmlNode* node, std::string_view name) {
  return IntAttribute(node, name);
}

// Sets the field when the element gives it.
template <class Config, class Set>
void SetIfGiven(Config& config, const xmlNode* node, std::string_view name, Set set) {
  if (const std::optional<int32_t> value = IntAttribute(node, name)) {
    const PlaceScope place(node, name);
    (config.*set)(*value);
  }
}

// The same for one entry of a context-state message.
template <class Set>
void SetEntryIfGiven(ContextStateProtocolConfig& config, int32_t index, const xmlNode* node,
                     std::string_view name, Set set) {
  if (const std::optional<int32_t> value = IntAttribute(node, name)) {
    const PlaceScope place(node, name);
    (config.*set)(index, *value);
  }
}

}  // namespace

ProtocolPtr ReadCompressedUdpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    CompressedUdpOptions options;
    options.udpChecksum = Optional(node, "udp_checksum");
    options.deltaIpv4Id = Optional(node, "ipv4_delta");
    auto config = std::make_unique<CompressedUdpProtocolConfig>();
    config->setOptions(options);
    config->buildHeader(kWithChecksum);
    SetIfGiven(*config, node, "context_id", &CompressedUdpProtocolConfig::setContextId);
    SetIfGiven(*config, node, "sequence", &CompressedUdpProtocolConfig::setSequence);
    return config;
  });
}

ProtocolPtr ReadCompressedRtpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    CompressedRtpOptions options;
    options.udpChecksum = Optional(node, "udp_checksum");
    options.deltaIpv4Id = Optional(node, "delta_ipv4");
    options.deltaRtpSequence = Optional(node, "delta_rtpseq");
    options.deltaRtpTimestamp = Optional(node, "delta_rtptimestamp");
    options.csrcCount = Optional(node, "cc");
    auto config = std::make_unique<CompressedRtpProtocolConfig>();
    config->setOptions(options);
    config->buildHeader(kWithChecksum);
    SetIfGiven(*config, node, "context_id", &CompressedRtpProtocolConfig::setContextId);
    SetIfGiven(*config, node, "sequence", &CompressedRtpProtocolConfig::setSequence);
    return config;
  });
}

ProtocolPtr ReadCompressedNonTcpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return ReadReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    auto config = std::make_unique<CompressedNonTcpProtocolConfig>();
    config->setOptions(Optional(node, "udp_checksum"));
    config->buildHeader(kWithChecksum);
    SetIfGiven(*config, node, "context_id", &CompressedNonTcpProtocolConfig::setContextId);
    SetIfGiven(*config, node, "generation", &CompressedNonTcpProtocolConfig::setGeneration);
    SetIfGiven(*config, node, "sequence", &CompressedNonTcpProtocolConfig::setSequence);
    return config;
  });
}

ProtocolPtr ReadContextStateProtocol(TcsManager& /*manager*/, const ProtocolElement& element) {
  const std::vector<xmlNode*> contexts = SelectNodes(element.node, "./context");
  if (contexts.empty()) throw TextError("at least one content must exists");
  auto config = std::make_unique<ContextStateProtocolConfig>(static_cast<int32_t>(contexts.size()));
  // The children fill the entries in document order.
  for (size_t i = 0; i < contexts.size(); ++i) {
    const int32_t index = static_cast<int32_t>(i);
    const xmlNode* context = contexts[i];
    SetEntryIfGiven(*config, index, context, "context_id", &ContextStateProtocolConfig::setContextId);
    SetEntryIfGiven(*config, index, context, "invalidate", &ContextStateProtocolConfig::setInvalidate);
    SetEntryIfGiven(*config, index, context, "sequence", &ContextStateProtocolConfig::setSequence);
    SetEntryIfGiven(*config, index, context, "generation", &ContextStateProtocolConfig::setGeneration);
  }
  return config;
}

ProtocolList ReadFullHeaderProtocol(TcsManager& manager, const ProtocolElement& element) {
  const xmlNode* node = element.node;
  auto fullHeader = std::make_unique<FullHeaderProtocolConfig>();
  SetIfGiven(*fullHeader, node, "generation", &FullHeaderProtocolConfig::setGeneration);
  SetIfGiven(*fullHeader, node, "sequence", &FullHeaderProtocolConfig::setSequence);
  SetIfGiven(*fullHeader, node, "context_id", &FullHeaderProtocolConfig::setContextId);

  ProtocolList result;
  // Comments are passed over like everywhere else; any other child, element
  // or not, is a protocol element to the dispatcher.
  const std::vector<xmlNode*> children = GetChildNodes(node);
  if (children.empty()) {
    manager.ReportParseError(kUnit, element.name,
                             "at least one protocol node must exists in a full_header");
    return result;
  }
  for (xmlNode* child : children) {
    const std::string name = GetNodeName(child).value_or(std::string());
    ProtocolList inner = manager.CreateProtocol(child, name, element.setType, enReadModeValue);
    for (ProtocolPtr& config : inner) result.push_back(std::move(config));
  }
  result.push_back(std::move(fullHeader));
  return result;
}

}  // namespace corvel
