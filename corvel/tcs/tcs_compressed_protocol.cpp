#include "corvel/tcs/tcs_compressed_protocol.h"

#include <vector>

#include "corvel/protocols/compressed_header/compressed_header.h"
#include "corvel/protocols/context_state.h"
#include "corvel/protocols/full_header/full_header.h"
#include "corvel/xml/xml_access.h"

namespace corvel {

namespace {

constexpr std::string_view kUnit = "TcsRtpAndCompressedProtocols";

// The compressed headers built from a TCS file always carry the UDP checksum.
constexpr bool kWithChecksum = true;

std::optional<int64_t> optionalInt(const xmlNode* node, std::string_view name) {
  return intAttribute(node, name);
}

// Sets the field when the element gives it.
template <class Config, class Set>
void setIfGiven(Config& config, const xmlNode* node, std::string_view name, Set set) {
  if (const std::optional<int32_t> value = intAttribute(node, name)) {
    const PlaceScope place(node, name);
    (config.*set)(*value);
  }
}

// The same for one entry of a context-state message.
template <class Set>
void setEntryIfGiven(ContextStateProtocolConfig& config, int32_t index, const xmlNode* node,
                     std::string_view name, Set set) {
  if (const std::optional<int32_t> value = intAttribute(node, name)) {
    const PlaceScope place(node, name);
    (config.*set)(index, *value);
  }
}

}  // namespace

ProtocolPtr readCompressedUdpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    CompressedUdpOptions options;
    options.udpChecksum = optionalInt(node, "udp_checksum");
    options.deltaIpv4Id = optionalInt(node, "ipv4_delta");
    auto config = std::make_unique<CompressedUdpProtocolConfig>();
    config->setOptions(options);
    config->buildHeader(kWithChecksum);
    setIfGiven(*config, node, "context_id", &CompressedUdpProtocolConfig::setContextId);
    setIfGiven(*config, node, "sequence", &CompressedUdpProtocolConfig::setSequence);
    return config;
  });
}

ProtocolPtr readCompressedRtpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    CompressedRtpOptions options;
    options.udpChecksum = optionalInt(node, "udp_checksum");
    options.deltaIpv4Id = optionalInt(node, "delta_ipv4");
    options.deltaRtpSequence = optionalInt(node, "delta_rtpseq");
    options.deltaRtpTimestamp = optionalInt(node, "delta_rtptimestamp");
    options.csrcCount = optionalInt(node, "cc");
    auto config = std::make_unique<CompressedRtpProtocolConfig>();
    config->setOptions(options);
    config->buildHeader(kWithChecksum);
    setIfGiven(*config, node, "context_id", &CompressedRtpProtocolConfig::setContextId);
    setIfGiven(*config, node, "sequence", &CompressedRtpProtocolConfig::setSequence);
    return config;
  });
}

ProtocolPtr readCompressedNonTcpProtocol(TcsManager& manager, const ProtocolElement& element) {
  return readReporting(manager, kUnit, element, [&]() -> ProtocolPtr {
    const xmlNode* node = element.node;
    auto config = std::make_unique<CompressedNonTcpProtocolConfig>();
    config->setOptions(optionalInt(node, "udp_checksum"));
    config->buildHeader(kWithChecksum);
    setIfGiven(*config, node, "context_id", &CompressedNonTcpProtocolConfig::setContextId);
    setIfGiven(*config, node, "generation", &CompressedNonTcpProtocolConfig::setGeneration);
    setIfGiven(*config, node, "sequence", &CompressedNonTcpProtocolConfig::setSequence);
    return config;
  });
}

ProtocolPtr readContextStateProtocol(TcsManager& /*manager*/, const ProtocolElement& element) {
  const std::vector<xmlNode*> contexts = selectNodes(element.node, "./context");
  if (contexts.empty()) throw TextError("at least one content must exists");
  auto config = std::make_unique<ContextStateProtocolConfig>(static_cast<int32_t>(contexts.size()));
  // The children fill the entries in document order.
  for (size_t i = 0; i < contexts.size(); ++i) {
    const int32_t index = static_cast<int32_t>(i);
    const xmlNode* context = contexts[i];
    setEntryIfGiven(*config, index, context, "context_id", &ContextStateProtocolConfig::setContextId);
    setEntryIfGiven(*config, index, context, "invalidate", &ContextStateProtocolConfig::setInvalidate);
    setEntryIfGiven(*config, index, context, "sequence", &ContextStateProtocolConfig::setSequence);
    setEntryIfGiven(*config, index, context, "generation", &ContextStateProtocolConfig::setGeneration);
  }
  return config;
}

ProtocolList readFullHeaderProtocol(TcsManager& manager, const ProtocolElement& element) {
  const xmlNode* node = element.node;
  auto fullHeader = std::make_unique<FullHeaderProtocolConfig>();
  setIfGiven(*fullHeader, node, "generation", &FullHeaderProtocolConfig::setGeneration);
  setIfGiven(*fullHeader, node, "sequence", &FullHeaderProtocolConfig::setSequence);
  setIfGiven(*fullHeader, node, "context_id", &FullHeaderProtocolConfig::setContextId);

  ProtocolList result;
  // Comments are passed over like everywhere else; any other child, element
  // or not, is a protocol element to the dispatcher.
  const std::vector<xmlNode*> children = getChildNodes(node);
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

namespace {

AttributeDoc numberDoc(const char* name, const char* doc) {
  return {name, "int", "0 to 2^31 - 1", "0", "", doc, "1"};
}

}  // namespace

void describeCompressedUdp(AttributeDocs& out) {
  out.push_back(numberDoc("udp_checksum", "1 keeps the UDP checksum in the compressed header"));
  out.push_back(numberDoc("ipv4_delta", "1 sends the IPv4 identification as a delta"));
  out.push_back(numberDoc("context_id", "the compression context"));
  out.push_back(numberDoc("sequence", "the header's sequence number"));
}

void describeCompressedRtp(AttributeDocs& out) {
  out.push_back(numberDoc("udp_checksum", "1 keeps the UDP checksum in the compressed header"));
  out.push_back(numberDoc("delta_ipv4", "1 sends the IPv4 identification as a delta"));
  out.push_back(numberDoc("delta_rtpseq", "1 sends the RTP sequence number as a delta"));
  out.push_back(numberDoc("delta_rtptimestamp", "1 sends the RTP timestamp as a delta"));
  out.push_back(numberDoc("cc", "the CSRC count"));
  out.push_back(numberDoc("context_id", "the compression context"));
  out.push_back(numberDoc("sequence", "the header's sequence number"));
}

void describeCompressedNonTcp(AttributeDocs& out) {
  out.push_back(numberDoc("udp_checksum", "1 keeps the UDP checksum in the compressed header"));
  out.push_back(numberDoc("context_id", "the compression context"));
  out.push_back(numberDoc("generation", "the context's generation"));
  out.push_back(numberDoc("sequence", "the header's sequence number"));
}

void describeContextState(AttributeDocs& /*out*/) {}

void describeContextEntry(AttributeDocs& out) {
  out.push_back(numberDoc("context_id", "the context the entry is about"));
  out.push_back(numberDoc("invalidate", "1 invalidates the context"));
  out.push_back(numberDoc("sequence", "the context's last sequence number"));
  out.push_back(numberDoc("generation", "the context's generation"));
}

void describeFullHeader(AttributeDocs& out) {
  out.push_back(numberDoc("generation", "the context's generation"));
  out.push_back(numberDoc("sequence", "the header's sequence number"));
  out.push_back(numberDoc("context_id", "the compression context"));
}

}  // namespace corvel
